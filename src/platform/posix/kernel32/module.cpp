// GetModuleFileNameA: the path of the running program, from /proc. Tests
// that run the program's start-up in their own process name the program
// file it should take for its own instead.
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {
std::mutex moduleLock;
std::string moduleOverride;  // empty: the running program
}  // namespace

void SetStandInModuleFileName(const char* path) {
  std::lock_guard<std::mutex> hold(moduleLock);
  moduleOverride = path != nullptr ? path : "";
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module != nullptr) StandInUnsupported("GetModuleFileNameA", "a module other than the program");
  char path[4096];
  ssize_t length;
  {
    std::lock_guard<std::mutex> hold(moduleLock);
    length = ssize_t(moduleOverride.size());
    if (length >= ssize_t(sizeof path)) length = sizeof path - 1;
    memcpy(path, moduleOverride.data(), size_t(length));
  }
  if (length == 0) length = readlink("/proc/self/exe", path, sizeof path - 1);
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
