// Extended absolute disk read and write of DOS (INT 21h AX=7305h) through
// VWIN32: sectors counted from 0 over the whole volume.
//
// Registers: EBX the 32-bit address of a DISKIO block (start sector, count,
// buffer address), ECX FFFFFFFFh (the block form of the call), DL the
// logical drive (A: = 1), SI bit 0 set for a write (bits 13-14 say what
// the data is: FAT, directory or file data; DOS only passes that on).
//
// On a diskette DOS turns the sector number into cylinder, head and sector
// with the BPB it holds for the medium; on a large removable medium the
// sectors are 512-byte steps through the whole medium.
#include "kernel32/standin.h"
#include "vwin32/vwin32_call.h"
#include "vwin32/vwin32_drive.h"

void RunDosDriveInfo(Vwin32Call* call) {
  const DIOC_REGISTERS& r = call->regs;
  if ((r.reg_EAX & 0xFFFF) != 0x7305)
    StandInUnsupported("DeviceIoControl", "a VWIN32 INT 21h call other than AX=7305h");
  if ((r.reg_ECX & 0xFFFF) != 0xFFFF)
    StandInUnsupported("DeviceIoControl", "INT 21h 7305h without CX=FFFFh");
  const uint8_t driveNumber = uint8_t(r.reg_EDX);
  const bool write = (r.reg_ESI & 1) != 0;
  if (driveNumber == 0) StandInUnsupported("DeviceIoControl", "INT 21h 7305h on the default drive (0)");

  const DISKIO* io = static_cast<const DISKIO*>(ResolveVwin32Address(call, r.reg_EBX));
  if (io == nullptr) return DosFailed(call, kDosInvalidAddress);
  const uint32_t start = io->dwStartSector, count = io->wSectors;
  AddTraceWord(call, "start", start);
  AddTraceWord(call, "count", count);
  AddTraceWord(call, "write", write ? 1 : 0);
  DosDrive* drive = driveNumber <= 26 ? FindDosDrive(char('@' + driveNumber)) : nullptr;
  if (drive == nullptr) return DosFailed(call, kDosInvalidDrive);
  if (count == 0) return DosSucceeded(call);
  uint8_t* buffer = static_cast<uint8_t*>(ResolveVwin32Address(call, io->dwBuffer));
  if (buffer == nullptr) return DosFailed(call, kDosInvalidAddress);

  DeviceParameters params;
  MediumInfo info{};
  DWORD error = MediumParameters(drive, &params, &info);
  if (error != 0) return DosFailed(call, DosErrorOf(error));
  DiskMedium* medium = drive->medium;
  if (info.largeRemovable) {
    // As on a diskette, DOS checks the whole request against the volume's
    // size before it moves anything.
    const uint64_t offset = uint64_t(start) * 512;
    const uint32_t length = count * 512;
    uint32_t done = 0;
    if (offset + length > info.sizeBytes) return DosFailed(call, kDosSectorNotFound);
    error = write ? medium->methods->writeBytes(medium, offset, buffer, length, &done)
                  : medium->methods->readBytes(medium, offset, buffer, length, &done);
    if (error == 0 && done < length) error = ERROR_SECTOR_NOT_FOUND;  // the medium shrank
  } else {
    error = TransferChs(medium, params.bpb, start, count, buffer, write);
  }
  if (error != 0) return DosFailed(call, DosErrorOf(error));
  DosSucceeded(call);
}
