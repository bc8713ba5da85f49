// BIOS disk services (INT 13h) through VWIN32, with the recovery a BIOS
// caller owes the diskette controller after a failed transfer: a reset, and
// a verify of cylinder 0 that makes the drive seek to track 0 and so
// recalibrates its head position.
#include "app/app_state.h"
#include "device/vwin32_disk.h"

namespace {

// BIOS status codes (AH after a failed call).
constexpr int kStatusWriteProtected = 0x03;
constexpr int kStatusSectorNotFound = 0x0A;  // as the controller reports a bad sector
constexpr int kStatusTimeOut = 0x80;         // the drive did not answer: no diskette

// One INT 13h call; false when the service itself failed.
bool Int13(DIOC_REGISTERS* regs) {
  regs->reg_Flags = CARRY_FLAG;
  DWORD returned = 0;
  return DeviceIoControl(app.deviceHandle, VWIN32_DIOC_DOS_INT13, regs, sizeof *regs, regs,
                         sizeof *regs, &returned, nullptr) != FALSE;
}

bool Carry(const DIOC_REGISTERS& regs) { return (regs.reg_Flags & CARRY_FLAG) != 0; }
int StatusOf(const DIOC_REGISTERS& regs) { return int((regs.reg_EAX >> 8) & 0xFF); }

// Reset of the controller for `drive`; a failing reset's status replaces
// the transfer's.
void ResetDisk(uint8_t drive, uint16_t head, int* status) {
  DIOC_REGISTERS regs{};
  regs.reg_EAX = 0;
  regs.reg_EBX = 0;
  regs.reg_ECX = 1;
  regs.reg_EDX = DWORD(head) * 256 + drive;
  Int13(&regs);
  if (Carry(regs)) *status = StatusOf(regs);
}

void Recover(uint8_t* buffer, uint8_t drive, uint16_t head, int* status) {
  ResetDisk(drive, head, status);
  DIOC_REGISTERS verify{};
  verify.reg_EAX = 0x0401;  // verify one sector
  verify.reg_EBX = Vwin32Address(buffer);
  verify.reg_ECX = 1;  // cylinder 0, sector 1
  verify.reg_EDX = drive;
  Int13(&verify);
  if (!Carry(verify)) return;
  ResetDisk(drive, head, status);
}

}  // namespace

int BiosDiskIo(int function, uint8_t* buffer, uint8_t drive, uint16_t head, uint16_t cylinder,
               uint8_t sector, uint8_t count) {
  int status = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    DIOC_REGISTERS regs{};
    regs.reg_EAX = DWORD(function) * 256 + count;
    regs.reg_EBX = Vwin32Address(buffer);
    regs.reg_ECX = DWORD(cylinder) * 256 + sector;
    regs.reg_EDX = DWORD(head) * 256 + drive;
    if (!Int13(&regs)) return kServiceFailed;
    if (!Carry(regs)) return 0;
    status = StatusOf(regs);
    Recover(buffer, drive, head, &status);
  }
  switch (status) {
    case kStatusTimeOut:
      return ERROR_NOT_READY;
    case kStatusSectorNotFound:
      return ERROR_SECTOR_NOT_FOUND;
    case kStatusWriteProtected:
      return ERROR_WRITE_PROTECT;
    default:
      return status;
  }
}
