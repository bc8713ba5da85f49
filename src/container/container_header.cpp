// Reading the container header at ContainerOffset.
#include "container/container_header.h"

#include <cstring>

#include "container/le_bytes.h"

const uint8_t kTrailerInfo[6] = {0x00, 0x7C, 0x00, 0x00, 0xB6, 0x01};
const char kTrailerSignature[31] = "ZOLT-SELFRESTORE-IMAGE-TRAILER";

namespace {

// The size of an open file, or -1.
long long FileSize(FILE* file) {
  if (fseek(file, 0, SEEK_END) != 0) return -1;
  long long size = ftell(file);
  return size;
}

}  // namespace

int ReadContainerHeader(FILE* file, uint32_t containerOffset, ContainerHeader* header) {
  memset(header, 0, sizeof *header);
  long long size = FileSize(file);
  if (size < 0) return 2;
  if (size < (long long)containerOffset) return 24;
  if (fseek(file, (long)containerOffset, SEEK_SET) != 0) return 2;

  // The reads go on after a short one, as they always have; only the first
  // error is kept and a cut-short header is never decompressed.
  int result = 0;
  uint8_t head[42];
  memset(head, 0, sizeof head);
  if (fread(head, 1, 36, file) != 36) result = 30;
  if (fread(head + 36, 1, 2, file) != 2 && result == 0) result = 30;
  if (fread(head + 38, 1, 4, file) != 4 && result == 0) result = 30;
  memcpy(&header->format, head, sizeof header->format);
  header->pad = head[35];
  header->magic = uint16_t(head[36] | head[37] << 8);
  header->deflateLength = GetU32(head + 38);
  header->headerLength = kHeaderLengthWithoutChecksum;

  if (header->magic == kContainerMagic) {
    uint8_t record[kChecksumRecordLength];
    size_t got = fread(record, 1, sizeof record, file);
    if (got != sizeof record) {
      if (result == 0) result = 30;
    } else if (record[0] == kHeaderChecksumType && GetU32(record + 1) == 4) {
      header->checksumPresent = true;
      header->imageCrc = GetU32(record + 5);
      header->headerLength = kHeaderLengthWithChecksum;
    } else {
      // Not a checksum record: those nine bytes open the deflate stream.
      if (fseek(file, -(long)kChecksumRecordLength, SEEK_CUR) != 0 && result == 0) result = 2;
    }
  }
  return result;
}
