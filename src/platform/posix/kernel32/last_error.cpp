// The thread's last-error value, as GetLastError and SetLastError keep it.
#include "platform/posix/windows.h"

namespace {
thread_local DWORD lastError = 0;
}

DWORD GetLastError(void) { return lastError; }

void SetLastError(DWORD error) { lastError = error; }
