// Reading a container from any file that carries one: the header, the text
// block (catalogue and free texts) and, for extraction, the image. The
// container starts where the program's own PE or ELF headers say the program
// ends, or at an offset given by the caller.
//
// Everything read is checked against what the file can hold: a header or
// record cut short, an unknown record type, a corrupt deflate stream, an
// unusable geometry, a count beyond its string area or a length beyond what
// is left each end the reading with a message. Buffers grow as data arrives;
// nothing is allocated from a length field alone.
#ifndef ZOLT_PACK_CONTAINER_READER_H
#define ZOLT_PACK_CONTAINER_READER_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "container/container_header.h"

// Where the container starts: from the file's own headers unless given.
struct ContainerLocation {
  bool offsetGiven = false;
  uint32_t offset = 0;
};

// A catalogue or free-text record: `count` texts in a string area of
// NUL-terminated code page 437 strings.
struct TextRecord {
  uint32_t count = 0;
  std::string area;
};

// Text n of a record: the n-th string of its area, empty when the area holds
// fewer strings (or n is not below the count).
std::string TextRecordEntry(const TextRecord& record, uint32_t n);

constexpr uint32_t kLabelText = 0;
constexpr uint32_t kMessageText = 1;
constexpr uint32_t kTechnicalDataText = 2;
constexpr uint32_t kPasswordFieldText = 3;

struct ContainerInfo {
  uint64_t fileSize = 0;
  uint32_t containerOffset = 0;
  ContainerHeader header{};
  TextRecord catalogue;
  TextRecord freeTexts;
  uint64_t textBlockLength = 0;  // stream bytes before the first image byte
  // The trailer after the stream: found when its record types, lengths and
  // signature are right; its CRC is compared with the header's.
  bool trailerFound = false;
  bool trailerAtEnd = false;     // and it ends the file
  uint32_t trailerCrc = 0;
  // Not 0 when the header's deflate length runs past the end of the file:
  // that length, while header.deflateLength is cut to the bytes that follow
  // the header (as far as the restorer reads).
  uint32_t declaredDeflateLength = 0;
};

// Reads the header and the text block. False with `error` set when the
// container is malformed or unreadable.
bool ReadContainerInfo(FILE* file, const ContainerLocation& where, ContainerInfo* info,
                       std::string* error);

struct ExtractReport {
  uint64_t imageBytes = 0;
  uint32_t imageCrc = 0;         // CRC-32 of the image written
  bool checksumChecked = false;  // the header had a checksum record
  bool passwordIgnored = false;  // a password was given for a container without one
  // The header's deflate length ran past the end of the file (not 0), and
  // the stream ended within the bytes the file holds.
  uint32_t declaredDeflateLength = 0;
  uint64_t deflateBytesInFile = 0;
};

// Writes the plain image of the container to `outputPath`, streaming it
// through the password's substitution table, and checks its CRC-32 when the
// header has a checksum record. The image file appears only when all went
// well; on any failure nothing is left at `outputPath`.
bool ExtractImage(FILE* file, const ContainerLocation& where, const std::string& password,
                  const std::string& outputPath, ExtractReport* report, std::string* error);

#endif
