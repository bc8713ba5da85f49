// The generic block-device requests of DOS (INT 21h AX=440Dh, category 08h)
// through VWIN32: device parameters, track formatting, the access flag,
// eject, and the volume locks of Windows 9x.
//
// Registers: BL the drive (logical: A: = 1; the physical-volume locks take
// the BIOS number, A: = 0), BH the lock level, CL the minor code, EDX the
// 32-bit address of the parameter block (for the locks: the permissions).
//
// A DEVICEPARAMS block: special functions (u8), device type (u8),
// attributes (u16), cylinders (u16), media type (u8), the 25-byte BPB at 7,
// six reserved bytes, the track-layout count (u16) at 38 and 4-byte entries
// (sector number, sector size) from 40, room for 64.
#include <cstring>
#include <vector>

#include "devices/diskette_drives.h"
#include "kernel32/standin.h"
#include "vwin32/vwin32_call.h"
#include "vwin32/vwin32_drive.h"

namespace {

constexpr int kDeviceTypeOffset = 1;
constexpr int kAttributesOffset = 2;
constexpr int kCylindersOffset = 4;
constexpr int kMediaTypeOffset = 6;
constexpr int kBpbOffset = 7;
constexpr int kLayoutCountOffset = 38;
constexpr int kLayoutOffset = 40;
constexpr int kLayoutEntries = 64;

// Special functions of Set Device Parameters.
constexpr uint8_t kForCurrentMedium = 1;  // else: the device's defaults
constexpr uint8_t kLayoutOnly = 2;        // only the track layout
constexpr uint8_t kUniformSectors = 4;    // all sectors the same size

enum Minor : uint8_t {
  kSetDeviceParams = 0x40,
  kFormatTrack = 0x42,
  kSetAccessFlag = 0x47,
  kEjectMedia = 0x49,
  kLockLogical = 0x4A,
  kLockPhysical = 0x4B,
  kGetDeviceParams = 0x60,
  kUnlockLogical = 0x6A,
  kUnlockPhysical = 0x6B,
};

DosDrive* LogicalDrive(Vwin32Call* call) {
  const uint8_t number = uint8_t(call->regs.reg_EBX);
  if (number == 0) StandInUnsupported("DeviceIoControl", "INT 21h 440Dh on the default drive (0)");
  DosDrive* drive = number <= 26 ? FindDosDrive(char('@' + number)) : nullptr;
  if (drive == nullptr) DosFailed(call, kDosInvalidDrive);
  return drive;
}

// The BIOS's numbering: diskette drives from 0 (A:), hard disks from 80h,
// which the stand-in's BIOS does not have.
DosDrive* PhysicalDrive(Vwin32Call* call) {
  const uint8_t number = uint8_t(call->regs.reg_EBX);
  DosDrive* drive = number < 26 ? FindDosDrive(char('A' + number)) : nullptr;
  if (drive == nullptr) DosFailed(call, kDosInvalidDrive);
  return drive;
}

uint8_t* ParameterBlock(Vwin32Call* call) {
  uint8_t* block = static_cast<uint8_t*>(ResolveVwin32Address(call, call->regs.reg_EDX));
  if (block == nullptr) DosFailed(call, kDosInvalidAddress);
  return block;
}

void TraceParameters(Vwin32Call* call, const uint8_t* block) {
  const uint8_t* bpb = block + kBpbOffset;
  AddTraceWord(call, "spt", LoadU16(bpb + kBpbSectorsPerTrack));
  AddTraceWord(call, "heads", LoadU16(bpb + kBpbHeads));
  AddTraceWord(call, "cylinders", LoadU16(block + kCylindersOffset));
  AddTraceWord(call, "total", BpbTotalSectors(bpb));
}

void SetDeviceParams(Vwin32Call* call, DosDrive* drive, uint8_t* block) {
  const uint8_t special = block[0];
  AddTraceWord(call, "special", special);
  TraceParameters(call, block);
  const int count = LoadU16(block + kLayoutCountOffset);
  AddTraceWord(call, "layout", count);
  if (special & ~(kForCurrentMedium | kLayoutOnly | kUniformSectors))
    StandInUnsupported("DeviceIoControl", "Set Device Parameters with special functions above bit 2");
  // The simulated drives write only 512-byte sectors, and the block has
  // room for 64 of them.
  if (count > kLayoutEntries) return DosFailed(call, kDosInvalidParameter);
  std::vector<uint16_t> numbers;
  for (int i = 0; i < count; ++i) {
    const uint16_t number = LoadU16(block + kLayoutOffset + 4 * i);
    const uint16_t size = LoadU16(block + kLayoutOffset + 4 * i + 2);
    if (number == 0 || number > 255 || size != 512) return DosFailed(call, kDosInvalidParameter);
    numbers.push_back(number);
  }
  if ((special & kLayoutOnly) == 0) {
    DeviceParameters params;
    params.deviceType = block[kDeviceTypeOffset];
    params.attributes = LoadU16(block + kAttributesOffset);
    params.cylinders = LoadU16(block + kCylindersOffset);
    params.mediaType = block[kMediaTypeOffset];
    memcpy(params.bpb, block + kBpbOffset, kBpbSize);
    if (LoadU16(params.bpb + kBpbBytesPerSector) != 512 ||
        LoadU16(params.bpb + kBpbSectorsPerTrack) == 0 || LoadU16(params.bpb + kBpbHeads) == 0)
      return DosFailed(call, kDosInvalidParameter);
    if (special & kForCurrentMedium) {
      drive->current = params;
      drive->currentSet = true;
    } else {
      drive->defaults = params;
      drive->defaultsSet = true;
    }
  }
  // DOS keeps one track layout per drive, whichever parameters it came with.
  drive->trackLayout = numbers;
  DosSucceeded(call);
}

void GetDeviceParams(Vwin32Call* call, DosDrive* drive, uint8_t* block) {
  const uint8_t special = block[0];
  AddTraceWord(call, "special", special);
  DeviceParameters params;
  const DWORD error = (special & kForCurrentMedium) ? MediumParameters(drive, &params, nullptr)
                                                    : DriveDefaults(drive, &params);
  if (error != 0) return DosFailed(call, DosErrorOf(error));
  // The track layout is the caller's; DOS fills the fixed part only.
  block[kDeviceTypeOffset] = params.deviceType;
  StoreU16(block + kAttributesOffset, params.attributes);
  StoreU16(block + kCylindersOffset, params.cylinders);
  block[kMediaTypeOffset] = params.mediaType;
  memcpy(block + kBpbOffset, params.bpb, kBpbSize);
  TraceParameters(call, block);
  DosSucceeded(call);
}

// Format and Verify Track: a 5-byte block of special functions (u8), head
// and cylinder (u16). The track gets the layout DOS holds for the medium
// (the parameters and track layout last set for it), at the density its
// sectors need, and is read back: a layout the drive cannot lay down is an
// unknown media type (26), one the medium cannot hold does not verify (23).
void FormatTrack(Vwin32Call* call, DosDrive* drive, const uint8_t* block) {
  const int head = LoadU16(block + 1), cylinder = LoadU16(block + 3);
  AddTraceWord(call, "head", head);
  AddTraceWord(call, "cylinder", cylinder);
  if (block[0] != 0)
    StandInUnsupported("DeviceIoControl", "Format Track with special functions (a format check)");
  DeviceParameters params;
  MediumInfo info{};
  const DWORD error = MediumParameters(drive, &params, &info);
  if (error != 0) return DosFailed(call, DosErrorOf(error));
  if (info.largeRemovable) return DosFailed(call, kDosInvalidFunction);  // no tracks to format
  DiskLayout layout = BpbLayout(params.bpb);
  if (layout.cylinders == 0) layout.cylinders = params.cylinders;
  if (head >= layout.heads || cylinder >= layout.cylinders)
    return DosFailed(call, kDosSectorNotFound);
  std::vector<uint16_t> numbers = drive->trackLayout;
  if (numbers.empty())
    for (int i = 1; i <= layout.sectorsPerTrack; ++i) numbers.push_back(uint16_t(i));
  DiskMedium* medium = drive->medium;
  DWORD formatError = medium->methods->formatTrack(medium, cylinder, head, layout, numbers.data(),
                                                   int(numbers.size()));
  const Density density = DensityOfSectors(int(numbers.size()));
  std::vector<uint8_t> sector(512);
  for (size_t i = 0; formatError == 0 && i < numbers.size(); ++i)
    formatError =
        medium->methods->readSectors(medium, cylinder, head, numbers[i], 1, density, sector.data());
  if (formatError != 0) return DosFailed(call, DosErrorOf(formatError));
  DosSucceeded(call);
}

void Lock(Vwin32Call* call, DosDrive* drive, bool physical) {
  const uint8_t level = uint8_t(call->regs.reg_EBX >> 8);
  const uint16_t permissions = uint16_t(call->regs.reg_EDX);
  AddTraceWord(call, "level", level);
  AddTraceWord(call, "permissions", permissions);
  if (level != 0) StandInUnsupported("DeviceIoControl", "a volume lock of level 1 to 3");
  if (drive->logicalLocks + drive->physicalLocks == 0) {
    const DWORD error = drive->medium->methods->lock(drive->medium);
    if (error != 0) return DosFailed(call, DosErrorOf(error));
  }
  (physical ? drive->physicalLocks : drive->logicalLocks)++;
  drive->lockPermissions = uint8_t(permissions);
  AddTraceWord(call, "locks", drive->logicalLocks + drive->physicalLocks);
  DosSucceeded(call);
}

void Unlock(Vwin32Call* call, DosDrive* drive, bool physical) {
  int& count = physical ? drive->physicalLocks : drive->logicalLocks;
  if (count == 0) return DosFailed(call, kDosVolumeNotLocked);
  --count;
  if (drive->logicalLocks + drive->physicalLocks == 0)
    drive->medium->methods->unlock(drive->medium);
  AddTraceWord(call, "locks", drive->logicalLocks + drive->physicalLocks);
  DosSucceeded(call);
}

// Eject Removable Media. A PC diskette drive has no motor to push its
// diskette out, so DOS refuses the request there; a large removable drive
// (Zip, LS-120) takes it. The stand-in leaves that medium in place: its
// image file stays where the drive table names it.
void Eject(Vwin32Call* call, DosDrive* drive) {
  if (drive->logicalLocks + drive->physicalLocks != 0) return DosFailed(call, kDosVolumeLocked);
  if (!drive->largeDrive) return DosFailed(call, kDosInvalidFunction);
  DosSucceeded(call);
}

}  // namespace

void RunDosIoctl(Vwin32Call* call) {
  const DIOC_REGISTERS& r = call->regs;
  if ((r.reg_EAX & 0xFFFF) != 0x440D)
    StandInUnsupported("DeviceIoControl", "a VWIN32 INT 21h call other than AX=440Dh");
  if (((r.reg_ECX >> 8) & 0xFF) != 0x08)
    StandInUnsupported("DeviceIoControl", "INT 21h 440Dh of a category other than 08h");
  const uint8_t minor = uint8_t(r.reg_ECX);
  const bool physical = minor == kLockPhysical || minor == kUnlockPhysical;
  switch (minor) {
    case kSetDeviceParams:
    case kFormatTrack:
    case kSetAccessFlag:
    case kGetDeviceParams:
    case kEjectMedia:
    case kLockLogical:
    case kLockPhysical:
    case kUnlockLogical:
    case kUnlockPhysical:
      break;
    default:
      StandInUnsupported("DeviceIoControl", "an INT 21h 440Dh minor code outside 40h, 42h, "
                                            "47h, 49h, 4Ah, 4Bh, 60h, 6Ah, 6Bh");
  }
  DosDrive* drive = physical ? PhysicalDrive(call) : LogicalDrive(call);
  if (drive == nullptr) return;
  if (minor == kLockLogical || minor == kLockPhysical) return Lock(call, drive, physical);
  if (minor == kUnlockLogical || minor == kUnlockPhysical) return Unlock(call, drive, physical);
  if (minor == kEjectMedia) return Eject(call, drive);
  uint8_t* block = ParameterBlock(call);
  if (block == nullptr) return;
  switch (minor) {
    case kSetDeviceParams:
      return SetDeviceParams(call, drive, block);
    case kGetDeviceParams:
      return GetDeviceParams(call, drive, block);
    case kFormatTrack:
      return FormatTrack(call, drive, block);
    default:  // kSetAccessFlag: special functions 0, then the flag
      AddTraceHex(call, "access", block[1]);
      drive->accessFlag = block[1];
      return DosSucceeded(call);
  }
}
