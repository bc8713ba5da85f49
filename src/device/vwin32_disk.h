// Windows 9x disk services: every diskette operation as a DOS INT 21h or
// BIOS INT 13h call, carried out by the VWIN32 service on the handle in
// deviceHandle. All return 0 for success.
#ifndef ZOLT_DEVICE_VWIN32_DISK_H
#define ZOLT_DEVICE_VWIN32_DISK_H

#include <cstdint>

#include "platform/vwin32.h"

// Results of our own besides the DOS and BIOS codes.
constexpr int kServiceFailed = 65535;  // DeviceIoControl itself failed
constexpr int kNoDataRead = 16384;     // a read reported success but moved nothing

// Minor codes of the generic block-device request (INT 21h 440Dh, category 08h).
enum : uint8_t {
  kSetDeviceParams = 0x40,
  kWriteTrack = 0x41,
  kFormatTrack = 0x42,
  kSetAccessFlag = 0x47,
  kEjectMedia = 0x49,
  kLockLogicalVolume = 0x4A,
  kLockPhysicalVolume = 0x4B,
  kGetDeviceParams = 0x60,
  kReadTrack = 0x61,
  kVerifyTrack = 0x62,
  kUnlockLogicalVolume = 0x6A,
  kUnlockPhysicalVolume = 0x6B,
};

// BIOS functions of BiosDiskIo.
constexpr int kBiosRead = 2;
constexpr int kBiosWrite = 3;

// Drive numbers of the target letter: DOS counts A: as 1, the BIOS as 0.
uint8_t LogicalDriveNumber();
uint8_t PhysicalDriveNumber();

// One generic block-device request. Track requests (41h, 42h, 61h, 62h)
// are tried three times. `parameter` is the parameter block; for the lock
// requests its first byte is the permissions, and the unlock requests take
// none. Returns 0, kServiceFailed, or the DOS error of the last attempt.
int DosDeviceIoctl(uint8_t drive, uint8_t minor, void* parameter);

// Two level-0 locks (permissions 0, then 4: locked for formatting), or two
// unlocks, of the target; physical requests for A: and B:, logical ones
// after. The second result, also left in lastResult.
int LockTargetVolume(const char* driveString);
int UnlockTargetVolume(const char* driveString);

// Get Device Parameters into deviceParamsBuffer; the 25-byte BPB is copied
// to `bpb` whatever the result. Special functions bit 0: the medium in the
// drive (1) or the drive's default (0).
int GetDriveParams(uint8_t specialFunctions, uint8_t* bpb);

// Set Device Parameters from `bpb` (or, with `restore`, from
// savedDeviceParams with `bpb` in it). Mode 0: the medium's and then the
// drive's default; 1: the drive's default only; 2: the medium's only. A BPB
// of more than 64 sectors per track is refused with ERROR_INVALID_PARAMETER.
int SetDriveParams(int mode, const uint8_t* bpb, bool restore);

// INT 13h read (2) or write (3) of `count` sectors from sector number
// `sector` (from 1), with the BIOS's recovery after each failed attempt.
// Returns 0, kServiceFailed, or the BIOS status as a system error where one
// matches (not ready 21, sector not found 27, write protected 19).
int BiosDiskIo(int function, uint8_t* buffer, uint8_t drive, uint16_t head, uint16_t cylinder,
               uint8_t sector, uint8_t count);

// INT 21h 7305h transfers of `count` sectors from the sector with index
// `sectorIndex` (from 0) of a track, through the DISKIO record `io`.
int ExtAbsRead(uint8_t drive, uint8_t* buffer, uint16_t head, uint16_t cylinder,
               uint16_t sectorIndex, uint16_t count, DISKIO* io);
int ExtAbsWrite(uint8_t drive, const uint8_t* buffer, uint16_t head, uint16_t cylinder,
                uint16_t sectorIndex, uint16_t count, DISKIO* io);

// End of a Windows 9x run: unlocks the drive, puts its parameters back,
// allows access, ejects and closes the service. Clears driveOpened.
void ReleaseTargetDrive();

#endif
