// GetStdHandle, GetConsoleMode and WriteFile on the standard streams: the
// process is a console program with standard output and error while the
// dialogs go to line mode, and a window program without them while the
// full-screen terminal dialog holds the terminal.
#include <errno.h>
#include <unistd.h>

#include <mutex>

#include "front_ends/terminal.h"
#include "kernel32/handles.h"
#include "kernel32/standard_streams.h"
#include "kernel32/standin.h"

namespace {

// One handle per stream for the life of the process, as on Windows; the
// object is the descriptor itself.
HANDLE streamHandles[2];
std::mutex streamLock;

void KeepStream(void*) {}

// The descriptor behind a stream's handle; for any other handle `*valid`
// is false and the caller's last error stays as it was (WriteFile asks
// here first about every handle).
int DescriptorOf(HANDLE handle, bool* valid) {
  const DWORD error = GetLastError();
  HandleUse use(handle);
  *valid = use.valid() && use.kind() == kHandleStandard;
  if (!*valid) SetLastError(error);
  return *valid ? int(reinterpret_cast<intptr_t>(use.object())) : -1;
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
  int index;
  if (which == STD_OUTPUT_HANDLE)
    index = 0;
  else if (which == STD_ERROR_HANDLE)
    index = 1;
  else
    StandInUnsupported("GetStdHandle", "a stream other than standard output and error");
  if (TerminalTaken()) return nullptr;
  std::lock_guard<std::mutex> hold(streamLock);
  if (streamHandles[index] == nullptr) {
    const intptr_t descriptor = index == 0 ? STDOUT_FILENO : STDERR_FILENO;
    streamHandles[index] = OpenKernelHandle(kHandleStandard, reinterpret_cast<void*>(descriptor), KeepStream, nullptr);
  }
  return streamHandles[index];
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  if (mode == nullptr) StandInUnsupported("GetConsoleMode", "a null mode");
  bool valid;
  const int descriptor = DescriptorOf(console, &valid);
  if (!valid || isatty(descriptor) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *mode = ENABLE_PROCESSED_OUTPUT;
  return TRUE;
}

bool WriteStandardStream(HANDLE handle, const void* bytes, DWORD length, LPDWORD written, BOOL* result) {
  bool valid;
  const int descriptor = DescriptorOf(handle, &valid);
  if (!valid) return false;
  if (written == nullptr) StandInUnsupported("WriteFile", "a null count (Windows writes it)");
  *written = 0;
  const char* from = static_cast<const char*>(bytes);
  while (*written < length) {
    const ssize_t wrote = write(descriptor, from + *written, length - *written);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      SetLastError(errno == EPIPE ? 232 /* ERROR_NO_DATA: the pipe is being closed */ : ERROR_WRITE_FAULT);
      *result = FALSE;
      return true;
    }
    *written += DWORD(wrote);
  }
  *result = TRUE;
  return true;
}
