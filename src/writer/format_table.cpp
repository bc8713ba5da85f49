// The standard diskette formats and the boot sector made from them.
#include "writer/format_table.h"

#include <cstring>

namespace {

// One row: bytes per sector 512, reserved 1, two FATs, hidden 0, no 32-bit
// total, and a last byte of 2.
#define FORMAT_ROW(cluster, root, total, media, fat, spt, heads, cylinders, type)             \
  0x00, 0x02, cluster, 0x01, 0x00, 0x02, uint8_t(root), uint8_t((root) >> 8), uint8_t(total), \
      uint8_t((total) >> 8), media, fat, 0x00, spt, 0x00, heads, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, \
      0, 0, 0, 0, 0, 0, cylinders, 0x00, type, 0x02, 0, 0, 0, 0, 0

enum { kRow320K, kRow360K, kRow720K, kRow1200K, kRow1440K, kRow2880K };

}  // namespace

const uint8_t SectorFormatTable[kFormatTableRows * kFormatTableStride] = {
    FORMAT_ROW(2, 112, 640, 0xFF, 1, 8, 2, 40, 0),     // 320K
    FORMAT_ROW(2, 112, 720, 0xFD, 2, 9, 2, 40, 0),     // 360K
    FORMAT_ROW(2, 224, 1440, 0xF9, 5, 9, 2, 80, 2),    // 720K
    FORMAT_ROW(1, 224, 2400, 0xF9, 7, 15, 2, 80, 1),   // 1.2M
    FORMAT_ROW(1, 224, 2880, 0xF0, 9, 18, 2, 80, 7),   // 1.44M
    FORMAT_ROW(2, 240, 5760, 0xF0, 9, 36, 2, 80, 9),   // 2.88M
};

void BuildFreshBootSector(MEDIA_TYPE mediaType, uint8_t* sector) {
  int row;
  switch (mediaType) {
    case F5_1Pt2_512: row = kRow1200K; break;
    case F3_2Pt88_512: row = kRow2880K; break;
    case F3_720_512: row = kRow720K; break;
    case F5_360_512: row = kRow360K; break;
    case F5_320_512: row = kRow320K; break;
    default: row = kRow1440K; break;
  }
  memset(sector, 0, 512);
  // Bytes per sector up to heads: the BPB fields DOS needs to read the disk.
  memcpy(sector + 11, SectorFormatTable + row * kFormatTableStride, 17);
  sector[38] = 0x29;                 // extended boot signature
  memset(sector + 43, ' ', 11);      // volume label
  memcpy(sector + 54, "FAT     ", 8);  // file system type
  sector[510] = 0x55;
  sector[511] = 0xAA;
}
