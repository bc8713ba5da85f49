// GetModuleFileNameA: the path of the running program, from /proc.
#include <unistd.h>

#include <cstring>

#include "platform/posix/standin.h"
#include "platform/posix/windows.h"

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module != nullptr) StandInUnsupported("GetModuleFileNameA", "a module other than the program");
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  path[length] = '\0';
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // As on Windows: a name that does not fit is cut to size - 1 characters
  // and terminated, and the result is the size.
  if (DWORD(length) >= size) {
    memcpy(fileName, path, size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(fileName, path, size_t(length) + 1);
  return DWORD(length);
}
