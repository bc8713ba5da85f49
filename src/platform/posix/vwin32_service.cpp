// The VWIN32 service: not written yet.
#include "platform/posix/vwin32_service.h"

#include "platform/posix/standin.h"

void* OpenVwin32Service() {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

void CloseVwin32Service(void*) {}

BOOL Vwin32Request(void*, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

DWORD Vwin32Address(const void*) { StandInUnsupported("Vwin32Address", "the VWIN32 service"); }
