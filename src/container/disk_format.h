// DiskFormatRecord: the 35-byte description of one diskette format, as the
// container header carries it. Bytes 0 to 30 are the DOS extended BIOS
// parameter block laid out as in a DOS device-parameter record (the 25-byte
// BPB and 6 reserved bytes); the last four bytes describe the drive.
// All fields are little-endian and unaligned, like the x86 hosts we run on.
#ifndef ZOLT_CONTAINER_DISK_FORMAT_H
#define ZOLT_CONTAINER_DISK_FORMAT_H

#include <cstdint>

#pragma pack(push, 1)
struct DiskFormatRecord {
  uint16_t bytesPerSector;   // 512 on every diskette
  uint8_t sectorsPerCluster;
  uint16_t reservedSectors;
  uint8_t fatCount;
  uint16_t rootEntries;
  uint16_t totalSectors16;   // 0: totalSectors32 holds the count
  uint8_t mediaDescriptor;
  uint16_t sectorsPerFat;
  uint16_t sectorsPerTrack;
  uint16_t heads;
  uint32_t hiddenSectors;
  uint32_t totalSectors32;
  uint8_t reserved[6];
  uint16_t cylinders;
  uint8_t deviceType;        // DOS device type; not used by the restorer
  uint8_t reservedTail;      // 2 in every format; not interpreted
};
#pragma pack(pop)

static_assert(sizeof(DiskFormatRecord) == 35, "DiskFormatRecord is 35 bytes");

// Bytes 0 to 24: the BPB proper, handed to the diskette writer.
constexpr int kBpbLength = 25;

// Total sectors of a format: the 16-bit count, or the 32-bit one when the
// 16-bit field is 0.
uint32_t FormatTotalSectors(const DiskFormatRecord& format);

// Bytes of one track: bytesPerSector x sectorsPerTrack.
uint32_t FormatTrackBytes(const DiskFormatRecord& format);

// Image length in bytes: total sectors x bytesPerSector (64 bits: a hostile
// header must not wrap it).
uint64_t FormatImageBytes(const DiskFormatRecord& format);

// 0 when the geometry can be restored: a sector size that is a power of two
// from 128 to 4,096, at least one sector per track, head, cylinder and
// sector in all, and a track of at most 65,535 bytes. Otherwise
// ERROR_INVALID_DATA (13); `reason` (if given) receives a short English text.
int CheckDiskFormat(const DiskFormatRecord& format, const char** reason);

#endif
