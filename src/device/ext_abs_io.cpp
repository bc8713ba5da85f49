// Extended absolute disk read and write (INT 21h AX=7305h) through VWIN32:
// sectors counted from 0 over the whole volume, described by a DISKIO block.
#include <cstring>

#include "app/app_state.h"
#include "device/vwin32_disk.h"

namespace {

// A pattern that no read leaves in place unless it moved no data (or the
// sector happens to begin with it, which the second request settles).
const uint8_t kReadMarker[8] = {0x01, 0xED, 0x04, 0x6F, 0x06, 0x1B, 0x08, 0x33};

constexpr DWORD kWriteFileData = 0x6001;  // bit 0 write; bits 13-14: normal file data

// Fills `io` and sends the request; 0, GetLastError or the DOS error.
int Transfer(uint8_t drive, const uint8_t* buffer, uint16_t head, uint16_t cylinder,
             uint16_t sectorIndex, uint16_t count, DISKIO* io, DWORD mode) {
  // The record's start sector is 32 bits: media beyond 65,535 sectors
  // (32 MiB) are ordinary here.
  io->dwStartSector = (uint32_t(cylinder) * app.format.heads + head) * app.format.sectorsPerTrack +
                      sectorIndex;
  io->wSectors = count;
  io->dwBuffer = Vwin32Address(buffer);
  DIOC_REGISTERS regs{};
  regs.reg_EAX = 0x7305;
  regs.reg_EBX = Vwin32Address(io);
  regs.reg_ECX = 0xFFFFFFFFu;
  regs.reg_EDX = drive;
  regs.reg_ESI = mode;
  regs.reg_Flags = CARRY_FLAG;
  DWORD returned = 0;
  if (!DeviceIoControl(app.deviceHandle, VWIN32_DIOC_DOS_DRIVEINFO, &regs, sizeof regs, &regs,
                       sizeof regs, &returned, nullptr))
    return int(GetLastError());
  if (regs.reg_Flags & CARRY_FLAG) return int(regs.reg_EAX);
  return 0;
}

}  // namespace

int ExtAbsRead(uint8_t drive, uint8_t* buffer, uint16_t head, uint16_t cylinder,
               uint16_t sectorIndex, uint16_t count, DISKIO* io) {
  memcpy(buffer, kReadMarker, sizeof kReadMarker);
  const int result = Transfer(drive, buffer, head, cylinder, sectorIndex, count, io, 0);
  if (result != 0) return result;
  if (memcmp(buffer, kReadMarker, sizeof kReadMarker) != 0) return 0;
  // Still the marker: either nothing was read or the sector begins with
  // it. A second read over a shifted pattern tells the two apart.
  memcpy(buffer, kReadMarker + 1, 7);
  Transfer(drive, buffer, head, cylinder, sectorIndex, count, io, 0);
  if (memcmp(buffer, kReadMarker + 1, 7) != 0) return 0;
  return kNoDataRead;
}

int ExtAbsWrite(uint8_t drive, const uint8_t* buffer, uint16_t head, uint16_t cylinder,
                uint16_t sectorIndex, uint16_t count, DISKIO* io) {
  return Transfer(drive, buffer, head, cylinder, sectorIndex, count, io, kWriteFileData);
}
