// CRC-32 through zlib.
#include "container/image_crc.h"

#include <zlib.h>

uint32_t ImageCrcUpdate(uint32_t crc, const uint8_t* bytes, uint32_t count) {
  return uint32_t(crc32(crc, bytes, count));
}
