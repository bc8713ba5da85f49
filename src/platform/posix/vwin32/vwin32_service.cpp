// The VWIN32 service of Windows 9x: "\\.\vwin32" exists only there, and
// DeviceIoControl on it runs one DOS or BIOS disk call with the registers
// of a DIOC_REGISTERS record. This file takes the request (the service
// code and the record's sizes), runs the call and writes the trace line;
// vwin32_ioctl.cpp, vwin32_bios.cpp and vwin32_absolute.cpp carry out the
// calls over what vwin32_drive.cpp keeps about the drives.
//
// Register convention: the caller sets carry before the call; a call that
// succeeds clears it, a failed one leaves it set with the DOS error in AX
// (the BIOS status in AH for INT 13h). DeviceIoControl itself fails only
// when the service cannot take the request at all.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "devices/device_trace.h"
#include "kernel32/standin.h"
#include "vwin32/vwin32_call.h"
#include "vwin32/vwin32_drive.h"
#include "vwin32/vwin32_service.h"

namespace {

struct Vwin32Service {
  HANDLE handle;  // for the trace
};

const char* ServiceName(DWORD code) {
  switch (code) {
    case VWIN32_DIOC_DOS_IOCTL:
      return "VWIN32_DIOC_DOS_IOCTL";
    case VWIN32_DIOC_DOS_INT25:
      return "VWIN32_DIOC_DOS_INT25";
    case VWIN32_DIOC_DOS_INT26:
      return "VWIN32_DIOC_DOS_INT26";
    case VWIN32_DIOC_DOS_INT13:
      return "VWIN32_DIOC_DOS_INT13";
    case VWIN32_DIOC_DOS_DRIVEINFO:
      return "VWIN32_DIOC_DOS_DRIVEINFO";
    default:
      return nullptr;
  }
}

std::string Hex(uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%" PRIx64, value);
  return text;
}

std::string Registers(const char* prefix, const DIOC_REGISTERS& r) {
  return std::string(" ") + prefix + "EAX=" + Hex(r.reg_EAX) + " EBX=" + Hex(r.reg_EBX) +
         " ECX=" + Hex(r.reg_ECX) + " EDX=" + Hex(r.reg_EDX) + " EDI=" + Hex(r.reg_EDI) +
         " ESI=" + Hex(r.reg_ESI) + " Flags=" + Hex(r.reg_Flags);
}

std::string LineStart(const Vwin32Service* service, DWORD code) {
  const char* name = ServiceName(code);
  return "DeviceIoControl handle=" + Hex(uintptr_t(service->handle)) +
         " code=" + (name != nullptr ? std::string(name) : Hex(code));
}

BOOL Refuse(const Vwin32Service* service, DWORD code, DWORD inSize, DWORD outSize,
            DWORD error) {
  if (DeviceTraceOn())
    WriteDeviceTrace(LineStart(service, code) + " inSize=" + std::to_string(inSize) +
                     " outSize=" + std::to_string(outSize) + " result=0 error=" +
                     std::to_string(error));
  SetLastError(error);
  return FALSE;
}

}  // namespace

void AddTraceWord(Vwin32Call* call, const char* name, uint64_t value) {
  call->words += std::string(" ") + name + "=" + std::to_string(value);
}

void AddTraceHex(Vwin32Call* call, const char* name, uint64_t value) {
  call->words += std::string(" ") + name + "=" + Hex(value);
}

void DosSucceeded(Vwin32Call* call) { call->regs.reg_Flags &= ~DWORD(CARRY_FLAG); }

void DosFailed(Vwin32Call* call, uint16_t error) {
  call->regs.reg_EAX = error;
  call->regs.reg_Flags |= CARRY_FLAG;
}

void* OpenVwin32Service() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return new Vwin32Service{nullptr};
}

void CloseVwin32Service(void* service) {
  // DOS keeps the drives' locks and parameters after the handle goes, as
  // Windows 9x keeps them for the process; nothing else is held here.
  delete static_cast<Vwin32Service*>(service);
}

void SetVwin32ServiceHandle(void* service, HANDLE handle) {
  static_cast<Vwin32Service*>(service)->handle = handle;
}

BOOL Vwin32Request(void* object, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                   LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned) {
  const Vwin32Service* service = static_cast<Vwin32Service*>(object);
  if (bytesReturned != nullptr) *bytesReturned = 0;
  if (controlCode == VWIN32_DIOC_DOS_INT25 || controlCode == VWIN32_DIOC_DOS_INT26)
    StandInUnsupported("DeviceIoControl", "VWIN32 INT 25h/26h (absolute disk read and write)");
  if (controlCode != VWIN32_DIOC_DOS_IOCTL && controlCode != VWIN32_DIOC_DOS_INT13 &&
      controlCode != VWIN32_DIOC_DOS_DRIVEINFO)
    return Refuse(service, controlCode, inSize, outSize, ERROR_NOT_SUPPORTED);
  if (inBuffer == nullptr || outBuffer == nullptr || inSize < sizeof(DIOC_REGISTERS) ||
      outSize < sizeof(DIOC_REGISTERS))
    return Refuse(service, controlCode, inSize, outSize, ERROR_INVALID_PARAMETER);

  Vwin32Call call{};
  memcpy(&call.regs, inBuffer, sizeof call.regs);
  const DIOC_REGISTERS before = call.regs;
  {
    std::lock_guard<std::mutex> hold(Vwin32Lock());
    switch (controlCode) {
      case VWIN32_DIOC_DOS_IOCTL:
        RunDosIoctl(&call);
        break;
      case VWIN32_DIOC_DOS_INT13:
        RunBiosDisk(&call);
        break;
      default:
        RunDosDriveInfo(&call);
        break;
    }
  }
  memcpy(outBuffer, &call.regs, sizeof call.regs);
  if (bytesReturned != nullptr) *bytesReturned = sizeof call.regs;
  if (DeviceTraceOn())
    WriteDeviceTrace(LineStart(service, controlCode) + Registers("in:", before) + call.words +
                     Registers("out:", call.regs) + " result=1");
  return TRUE;
}
