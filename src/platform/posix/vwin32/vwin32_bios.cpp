// The BIOS diskette services (INT 13h) through VWIN32: reset (AH=00h),
// read (02h), write (03h) and verify (04h) of sectors on one track of the
// medium as it is formatted now. The BIOS finds a track's density itself,
// trying the drive's data rates in turn.
//
// Registers: AH the function, AL the sector count, CH the cylinder (its
// bits 8-9 in CL's top bits), CL the sector number (from 1), DH the head,
// DL the drive (A: = 0), EBX the 32-bit address of the buffer. The result:
// carry clear with AH = 0 and AL the sectors moved, or carry set with the
// status in AH.
//
// The BIOS reaches only drives that carry tracks: a drive number without a
// diskette drive, and a large removable medium (whose BIOS view is not a
// diskette's), answer 01h, invalid function, which tells a caller to use
// the DOS absolute transfers instead.
#include <vector>

#include "kernel32/standin.h"
#include "vwin32/vwin32_call.h"
#include "vwin32/vwin32_drive.h"

namespace {

constexpr uint8_t kStatusInvalidFunction = 0x01;
constexpr uint8_t kStatusSectorNotFound = 0x04;
// The status for a buffer the DMA cannot reach; here, an address the
// service does not know.
constexpr uint8_t kStatusDmaBoundary = 0x09;

void BiosDone(Vwin32Call* call, uint8_t status, uint8_t count) {
  call->regs.reg_EAX = (call->regs.reg_EAX & 0xFFFF0000u) | DWORD(status) << 8 | count;
  if (status == 0)
    call->regs.reg_Flags &= ~DWORD(CARRY_FLAG);
  else
    call->regs.reg_Flags |= CARRY_FLAG;
}

}  // namespace

void RunBiosDisk(Vwin32Call* call) {
  const DIOC_REGISTERS& r = call->regs;
  const int function = (r.reg_EAX >> 8) & 0xFF, count = r.reg_EAX & 0xFF;
  const int cylinder = int((r.reg_ECX >> 8) & 0xFF) | int(r.reg_ECX & 0xC0) << 2;
  const int sector = r.reg_ECX & 0x3F;
  const int head = (r.reg_EDX >> 8) & 0xFF, driveNumber = r.reg_EDX & 0xFF;
  AddTraceWord(call, "function", function);
  if (function != 0x00 && function != 0x02 && function != 0x03 && function != 0x04)
    StandInUnsupported("DeviceIoControl", "an INT 13h function other than 00h, 02h, 03h, 04h");
  DosDrive* drive = driveNumber < 26 ? FindDosDrive(char('A' + driveNumber)) : nullptr;
  if (drive == nullptr) return BiosDone(call, kStatusInvalidFunction, 0);
  if (function == 0x00) return BiosDone(call, 0, 0);  // the controller resets with or without a diskette

  AddTraceWord(call, "cylinder", cylinder);
  AddTraceWord(call, "head", head);
  AddTraceWord(call, "sector", sector);
  AddTraceWord(call, "count", count);
  DiskMedium* medium = drive->medium;
  MediumInfo info{};
  const DWORD queryError = medium->methods->query(medium, &info);
  if (queryError != 0) return BiosDone(call, BiosStatusOf(queryError), 0);
  if (info.largeRemovable || count == 0) return BiosDone(call, kStatusInvalidFunction, 0);
  if (sector == 0) return BiosDone(call, kStatusSectorNotFound, 0);

  DWORD error;
  if (function == 0x04) {
    // A verify reads the sectors and checks them; it moves no data.
    std::vector<uint8_t> scratch(size_t(count) * 512);
    error = medium->methods->readSectors(medium, cylinder, head, sector, count, Density::kAny,
                                         scratch.data());
  } else {
    void* buffer = ResolveVwin32Address(call, r.reg_EBX);
    if (buffer == nullptr) return BiosDone(call, kStatusDmaBoundary, 0);
    error = function == 0x02 ? medium->methods->readSectors(medium, cylinder, head, sector, count,
                                                            Density::kAny, buffer)
                             : medium->methods->writeSectors(medium, cylinder, head, sector, count,
                                                             Density::kAny, buffer);
  }
  if (error != 0) return BiosDone(call, BiosStatusOf(error), 0);
  BiosDone(call, 0, uint8_t(count));
}
