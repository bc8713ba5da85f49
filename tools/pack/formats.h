// Diskette geometries: the standard formats that zolt-pack knows by name and
// by image size, and the choice of the DiskFormatRecord that a new container
// carries. The record tells the restorer how to cut the image into tracks and
// what to program into the drive, so it must describe the image exactly.
#ifndef ZOLT_PACK_FORMATS_H
#define ZOLT_PACK_FORMATS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "container/disk_format.h"

struct StandardFormat {
  const char* name;  // as given to --format: "160k" ... "2.88m"
  DiskFormatRecord record;
};

constexpr int kStandardFormatCount = 9;
extern const StandardFormat kStandardFormats[kStandardFormatCount];

// The standard format of that name (letters in either case), or null.
const StandardFormat* FindStandardFormat(const std::string& name);

// The standard format whose image has exactly `imageBytes` bytes, or null.
const StandardFormat* StandardFormatOfSize(uint64_t imageBytes);

// The standard format with the same sector size, total sectors, sectors per
// track and heads as `format`, or null.
const StandardFormat* StandardFormatMatching(const DiskFormatRecord& format);

// The names of the standard formats, for messages: "160k, 180k, ...".
std::string StandardFormatNames();

// Where a chosen geometry came from.
enum class GeometrySource { kFormatName, kBootSector, kImageSize };

// Reads the BIOS parameter block of a boot sector (bytes 11 to 35) into
// `format` when it is plausible and describes exactly `imageBytes` bytes:
// a sector size that is a power of two from 128 to 4,096, sectors per track
// and heads not 0, total sectors x sector size equal to the image size, at
// most 65,535 cylinders and a track of at most 65,535 bytes. The 25 BPB bytes
// are kept as they are; the cylinders are computed, the device type is that
// of the matching standard format (7 otherwise). False when implausible.
bool DiskFormatFromBootSector(const uint8_t* bootSector, size_t length, uint64_t imageBytes,
                              DiskFormatRecord* format);

// Chooses the geometry of an image of `imageBytes` bytes whose first bytes
// are `bootSector` (`length` of them, fewer for a tiny image): the standard
// format `formatName` when one is given (the size must then match), else the
// boot sector's BPB, else the standard format of that size. Returns false
// with a message in `error` when none applies.
bool ChooseDiskFormat(const std::string& formatName, const uint8_t* bootSector, size_t length,
                      uint64_t imageBytes, DiskFormatRecord* format, GeometrySource* source,
                      std::string* error);

#endif
