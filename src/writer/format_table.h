// The standard diskette formats, for the boot sector laid down after the
// first track of a diskette has been formatted on the NT family.
#ifndef ZOLT_WRITER_FORMAT_TABLE_H
#define ZOLT_WRITER_FORMAT_TABLE_H

#include <cstdint>

#include "platform/win32.h"

constexpr int kFormatTableRows = 6;
constexpr int kFormatTableStride = 40;  // each 35-byte record is followed by 5 zero bytes

// 320K, 360K, 720K, 1.2M, 1.44M and 2.88M, as DiskFormatRecord bytes.
extern const uint8_t SectorFormatTable[kFormatTableRows * kFormatTableStride];

// A new, empty FAT boot sector (512 bytes) for the format the drive was
// formatted in: the table's row for `mediaType`, or the 1.44M row.
void BuildFreshBootSector(MEDIA_TYPE mediaType, uint8_t* sector);

#endif
