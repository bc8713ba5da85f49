// CRC-32 of the plain image bytes: the reflected CRC-32 of IEEE 802.3 that
// zlib's crc32 computes, held as a running value from 0 and updated once per
// track.
#ifndef ZOLT_CONTAINER_IMAGE_CRC_H
#define ZOLT_CONTAINER_IMAGE_CRC_H

#include <cstdint>

uint32_t ImageCrcUpdate(uint32_t crc, const uint8_t* bytes, uint32_t count);

#endif
