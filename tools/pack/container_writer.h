// Building a restorer file: a copy of the restorer program (the stub) with
// a container appended at the exact end of its program image.
//
//   header   51 bytes: DiskFormatRecord, pad 0, magic AA 55, u32
//            deflateLength, checksum record (0x85, u32 4, u32 imageCrc)
//   stream   raw deflate of: catalogue record (0x80), free-text record
//            (0x02: label, message, technical data, PasswordField), the
//            image marker 0xFF, then the image bytes (substituted when a
//            password protects them)
//   trailer  51 bytes: checksum record (0x82), signature record (0x81, u32
//            37, six info bytes, "ZOLT-SELFRESTORE-IMAGE-TRAILER" and NUL)
#ifndef ZOLT_PACK_CONTAINER_WRITER_H
#define ZOLT_PACK_CONTAINER_WRITER_H

#include <cstdint>
#include <string>

#include "container/disk_format.h"
#include "pack/formats.h"

struct BuildOptions {
  std::string imagePath;
  std::string stubPath;     // empty: the restorer `zolt` beside this program
  std::string labelPath;    // empty paths give empty texts
  std::string messagePath;
  std::string dataPath;
  std::string password;     // empty: no password
  std::string formatName;   // empty: from the boot sector or the size
  std::string outputPath;
};

struct BuildReport {
  std::string stubPath;
  uint32_t containerOffset = 0;
  DiskFormatRecord format{};
  GeometrySource geometrySource = GeometrySource::kImageSize;
  uint32_t textBlockLength = 0;
  uint32_t deflateLength = 0;
  uint32_t imageCrc = 0;
  uint64_t fileBytes = 0;
};

// Builds the restorer file `options.outputPath`. It appears only when all
// went well, with the stub's permission bits; on failure nothing is left.
bool BuildContainer(const BuildOptions& options, BuildReport* report, std::string* error);

// The restorer beside the running program (found through /proc/self/exe).
std::string DefaultStubPath();

#endif
