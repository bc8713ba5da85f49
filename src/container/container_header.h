// The container appended to the restorer: a header at ContainerOffset, a raw
// deflate stream, and a trailer. This file reads the header.
//
//   offset  width  field
//   0       35     format          DiskFormatRecord of the carried diskette
//   35      1      pad             read with the format, not interpreted
//   36      2      magic           AA 55
//   38      4      deflateLength   u32, bytes of the deflate stream
//   42      9      checksum        type 0x85, u32 length 4, u32 imageCrc;
//                                  only looked for when magic is AA 55
//
// The decompressed stream holds the text block (catalogue record 0x80, free
// text record 0x02), the image marker 0xFF, then the image bytes.
#ifndef ZOLT_CONTAINER_CONTAINER_HEADER_H
#define ZOLT_CONTAINER_CONTAINER_HEADER_H

#include <cstdint>
#include <cstdio>

#include "container/disk_format.h"

constexpr uint8_t kCatalogueRecordType = 0x80;
constexpr uint8_t kFreeTextRecordType = 0x02;
constexpr uint8_t kImageMarker = 0xFF;
constexpr uint8_t kHeaderChecksumType = 0x85;
constexpr uint8_t kTrailerChecksumType = 0x82;
constexpr uint8_t kSignatureRecordType = 0x81;
constexpr uint16_t kContainerMagic = 0x55AA;  // bytes AA 55
constexpr int kHeaderLengthWithChecksum = 51;
constexpr int kHeaderLengthWithoutChecksum = 42;
constexpr int kChecksumRecordLength = 9;
constexpr int kTrailerLength = 51;
constexpr int kFreeTextCount = 4;  // label, message, technical data, password

// The trailer's signature record: six info bytes and a NUL-terminated name.
extern const uint8_t kTrailerInfo[6];
extern const char kTrailerSignature[31];

struct ContainerHeader {
  DiskFormatRecord format;
  uint8_t pad;
  uint16_t magic;
  uint32_t deflateLength;
  bool checksumPresent;   // a type 0x85 record of length 4 followed the magic
  uint32_t imageCrc;      // 0 without a checksum record
  uint32_t headerLength;  // 51 with the checksum record, 42 without
};

// Reads the header of `file` at `containerOffset` into `header` and leaves
// the file at the first byte of the deflate stream. Returns 0; 24 when the
// file is shorter than the offset (its size is compared, since a seek past
// the end succeeds); 30 when the file ends at the offset or inside the
// header; 2 when the file cannot be positioned or sized.
int ReadContainerHeader(FILE* file, uint32_t containerOffset, ContainerHeader* header);

#endif
