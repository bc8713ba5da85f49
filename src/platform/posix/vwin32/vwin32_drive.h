// What DOS keeps about each disk drive that the VWIN32 service reaches: the
// device parameters (the drive's default and those set for the medium now
// in it), the track layout for formatting, the access flag and the volume
// locks. It lives with the drive table's medium record, as DOS keeps it from
// boot to boot, whatever handles of the service come and go. Also the
// BIOS parameter block (BPB) and the mapping of medium errors to DOS and
// BIOS codes. Internal to the service.
#ifndef ZOLT_PLATFORM_POSIX_VWIN32_DRIVE_H
#define ZOLT_PLATFORM_POSIX_VWIN32_DRIVE_H

#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/disk_medium.h"

// The BPB of a DOS device-parameter record: 25 bytes, little-endian.
constexpr int kBpbSize = 25;
constexpr int kBpbBytesPerSector = 0;  // u16
constexpr int kBpbSectorsPerCluster = 2;
constexpr int kBpbReservedSectors = 3;  // u16
constexpr int kBpbFats = 5;
constexpr int kBpbRootEntries = 6;      // u16
constexpr int kBpbTotalSectors16 = 8;   // u16; 0: the 32-bit total counts
constexpr int kBpbMediaDescriptor = 10;
constexpr int kBpbSectorsPerFat = 11;   // u16
constexpr int kBpbSectorsPerTrack = 13; // u16
constexpr int kBpbHeads = 15;           // u16
constexpr int kBpbHiddenSectors = 17;   // u32
constexpr int kBpbTotalSectors32 = 21;  // u32

inline uint16_t LoadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreU16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The fixed part of a DEVICEPARAMS record (offsets 1 to 31).
struct DeviceParameters {
  uint8_t deviceType;  // 0: 360K 5.25", 1: 1.2M 5.25", 2: 720K 3.5", 7: other
                       // (1.44M 3.5", or any other block device), 9: 2.88M 3.5"
  uint16_t attributes; // bit 0: not removable; bit 1: change line
  uint16_t cylinders;
  uint8_t mediaType;   // 0: the drive's own density; 1: a lower one
  uint8_t bpb[kBpbSize];
};

uint32_t BpbTotalSectors(const uint8_t* bpb);

// The layout a BPB describes; cylinders from the total (zeros for a BPB
// without sectors per track or heads).
DiskLayout BpbLayout(const uint8_t* bpb);

struct DosDrive {
  char letter;
  DiskMedium* medium;
  bool largeDrive;         // a removable drive of no tracks (removable:)
  DisketteDrive driveType; // diskette drives: the drive's type
  bool defaultsSet;        // Set Device Parameters gave new defaults
  DeviceParameters defaults;
  bool currentSet;         // Set Device Parameters gave the medium's
  DeviceParameters current;
  std::vector<uint16_t> trackLayout;  // sector numbers for formatting; empty: 1 to n
  uint8_t accessFlag;      // Set Access Flag; 0: access to the medium blocked
  uint8_t lockPermissions;
  int logicalLocks;        // level-0 locks of the logical volume, nested
  int physicalLocks;       // and of the physical drive
};

// Held for the whole of a request: the service runs one DOS or BIOS call
// at a time, as the single DOS of Windows 9x does.
std::mutex& Vwin32Lock();

// The drive of `letter` (either case) as DOS knows it, made on first use;
// nullptr when the letter names no drive with a medium record (no drive,
// or a fixed, network, CD-ROM or RAM drive).
DosDrive* FindDosDrive(char letter);

// The drive's default parameters: as Set Device Parameters gave them, else
// those of its type; a removable drive's from its medium's size (an error
// when it has none).
DWORD DriveDefaults(DosDrive* drive, DeviceParameters* params);

// The parameters DOS holds for the medium now in the drive: those Set
// Device Parameters gave for it; else the BPB of its present layout (a
// standard diskette format's file-system fields, the size of a removable
// medium); else, for an unformatted diskette, the drive's defaults. 0 or
// the medium's error (ERROR_NOT_READY).
DWORD MediumParameters(DosDrive* drive, DeviceParameters* params, MediumInfo* info);

// Moves `count` sectors from absolute sector `first` (from 0) in the CHS
// layout of `bpb`, track by track, at the density of its sectors per track.
// ERROR_SECTOR_NOT_FOUND for sectors past the BPB's total.
DWORD TransferChs(DiskMedium* medium, const uint8_t* bpb, uint32_t first, uint32_t count,
                  uint8_t* buffer, bool write);

// A medium's Win32 error as a DOS error. Windows numbers the disk errors
// as DOS does (write protect 19 to general failure 31: not ready 21, CRC
// error 23, seek error 25, unknown media type 26, sector not found 27),
// so they pass unchanged; anything else is a general failure.
uint16_t DosErrorOf(DWORD error);

// A medium's Win32 error as a BIOS diskette status (AH): 80h no medium
// (time-out), 03h write protected, 04h sector not found, 10h CRC error,
// 40h seek failed, 0Ch a density or layout the drive cannot take.
uint8_t BiosStatusOf(DWORD error);

constexpr uint16_t kDosInvalidFunction = 1;
constexpr uint16_t kDosAccessDenied = 5;
constexpr uint16_t kDosInvalidAddress = 9;  // "invalid memory block address"
constexpr uint16_t kDosInvalidDrive = 15;
constexpr uint16_t kDosSectorNotFound = 27;
constexpr uint16_t kDosInvalidParameter = 87;
constexpr uint16_t kDosVolumeNotLocked = 0xB0;
constexpr uint16_t kDosVolumeLocked = 0xB1;

#endif
