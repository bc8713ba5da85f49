// The generic block-device request of DOS (INT 21h AX=440Dh, CH=08h) through
// VWIN32, and the lock and device-parameter requests built on it.
//
// A DEVICEPARAMS record: special functions (u8), device type (u8),
// attributes (u16), cylinders (u16), media type (u8), the 25-byte BPB at 7,
// six reserved bytes, the track-layout count at 38 and 4-byte entries
// (sector number, sector size) from 40.
#include <cctype>
#include <cstring>

#include "app/app_state.h"
#include "container/le_bytes.h"
#include "device/vwin32_disk.h"

namespace {

constexpr int kBpbOffset = 7;
constexpr int kReservedOffset = 32;
constexpr int kLayoutCountOffset = 38;
constexpr int kLayoutOffset = 40;
constexpr int kLayoutEntries = 64;
constexpr int kBpbSectorsPerTrack = 13;  // within the BPB

// Entries 0 to count - 1: sector number i + 1 of 512 bytes.
void FillTrackLayout(uint8_t* params, int count) {
  for (int i = 0; i < count; ++i) {
    PutU16(params + kLayoutOffset + 4 * i, uint16_t(i + 1));
    PutU16(params + kLayoutOffset + 4 * i + 2, 512);
  }
}

bool IsFloppyLetter() {
  const char letter = char(toupper((unsigned char)app.targetDrive[0]));
  return letter == 'A' || letter == 'B';
}

int LockRequests(uint8_t physicalMinor, uint8_t logicalMinor, const uint8_t* permissions) {
  const bool physical = IsFloppyLetter();
  const uint8_t drive = physical ? PhysicalDriveNumber() : LogicalDriveNumber();
  const uint8_t minor = physical ? physicalMinor : logicalMinor;
  for (int i = 0; i < 2; ++i) {
    uint8_t block = permissions[i];
    app.lastResult = DosDeviceIoctl(drive, minor, &block);
  }
  return app.lastResult;
}

}  // namespace

uint8_t LogicalDriveNumber() { return uint8_t(toupper((unsigned char)app.targetDrive[0]) - 64); }
uint8_t PhysicalDriveNumber() { return uint8_t(toupper((unsigned char)app.targetDrive[0]) - 65); }

int DosDeviceIoctl(uint8_t drive, uint8_t minor, void* parameter) {
  const bool trackRequest = minor == kWriteTrack || minor == kFormatTrack ||
                            minor == kReadTrack || minor == kVerifyTrack;
  const int attempts = trackRequest ? 3 : 1;
  int error = 0;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    DIOC_REGISTERS regs{};
    regs.reg_EAX = 0x440D;
    regs.reg_EBX = drive;
    regs.reg_ECX = 0x0800u + minor;
    if (minor == kLockLogicalVolume || minor == kLockPhysicalVolume)
      regs.reg_EDX = *(const uint8_t*)parameter;
    else if (minor == kUnlockLogicalVolume || minor == kUnlockPhysicalVolume)
      regs.reg_EDX = 0;
    else
      regs.reg_EDX = parameter != nullptr ? Vwin32Address(parameter) : 0;
    regs.reg_Flags = CARRY_FLAG;  // a request the service does not run reads as failed
    DWORD returned = 0;
    if (!DeviceIoControl(app.deviceHandle, VWIN32_DIOC_DOS_IOCTL, &regs, sizeof regs, &regs,
                         sizeof regs, &returned, nullptr))
      return kServiceFailed;
    if ((regs.reg_Flags & CARRY_FLAG) == 0) return 0;
    error = int(regs.reg_EAX);
  }
  return error;
}

// Volume locks nest: each lock needs its unlock before the volume is free
// again (and its medium can be ejected), so the locks taken are counted
// for the release at the end of the run.
int LockTargetVolume(const char*) {
  const uint8_t permissions[2] = {0, 4};  // then 4: the volume is locked for formatting
  ++app.volumeLocks;
  return LockRequests(kLockPhysicalVolume, kLockLogicalVolume, permissions);
}

int UnlockTargetVolume(const char*) {
  const uint8_t none[2] = {0, 0};
  if (app.volumeLocks > 0) --app.volumeLocks;
  return LockRequests(kUnlockPhysicalVolume, kUnlockLogicalVolume, none);
}

int GetDriveParams(uint8_t specialFunctions, uint8_t* bpb) {
  uint8_t* params = app.deviceParamsBuffer;
  params[0] = specialFunctions;
  params[1] = 7;  // device type: a 1.44M drive
  PutU16(params + 2, 2);  // attributes: no removable-media check
  PutU16(params + 4, 80);
  PutU16(params + kBpbOffset + kBpbSectorsPerTrack, 36);
  PutU16(params + kLayoutCountOffset, 36);
  FillTrackLayout(params, kLayoutEntries);
  memset(params + kReservedOffset, 0, 6);
  app.lastResult = DosDeviceIoctl(LogicalDriveNumber(), kGetDeviceParams, params);
  memcpy(bpb, params + kBpbOffset, kBpbLength);
  return app.lastResult;
}

int SetDriveParams(int mode, const uint8_t* bpb, bool restore) {
  uint8_t* params = app.deviceParamsBuffer;
  int layoutCount;
  if (restore) {
    memcpy(params, app.savedDeviceParams, kDeviceParamsSize);
    layoutCount = GetU16(params + kLayoutCountOffset);
  } else {
    layoutCount = GetU16(bpb + kBpbSectorsPerTrack);
  }
  app.driveParamsChanged = 1;
  if (layoutCount > kLayoutEntries) {
    // The record has room for 64 sectors per track; no diskette has more.
    app.lastResult = ERROR_INVALID_PARAMETER;
    return app.lastResult;
  }
  if (!restore) {
    PutU16(params + kLayoutCountOffset, uint16_t(layoutCount));
    params[1] = 7;
    PutU16(params + 2, 2);
    PutU16(params + 4, app.cylinderCount);
    params[6] = 0;
  }
  memcpy(params + kBpbOffset, bpb, kBpbLength);
  FillTrackLayout(params, layoutCount);
  memset(params + kReservedOffset, 0, 6);

  // Special functions: bit 0 the medium in the drive, bit 2 a uniform
  // track layout numbered from 1.
  const uint8_t drive = LogicalDriveNumber();
  if (mode == 0) {
    params[0] = 5;
    const int first = DosDeviceIoctl(drive, kSetDeviceParams, params);
    app.lastResult = first;
    params[0] = 4;
    const int second = DosDeviceIoctl(drive, kSetDeviceParams, params);
    app.lastResult = first != 0 ? first : second;
  } else {
    params[0] = mode == 1 ? 4 : 5;
    app.lastResult = DosDeviceIoctl(drive, kSetDeviceParams, params);
  }
  return app.lastResult;
}
