// The clock: Sleep and GetTickCount, real or virtual (ZOLT_CLOCK).
//
// With the virtual clock a pause returns at once and its length is added
// to GetTickCount, so the program sees the time it waited for as passed and
// never waits for a clock that it no longer moves itself. The virtual clock
// is for tests and benchmarks only; waits for another thread (time-outs of
// WaitForSingleObject) stay real in both modes.
#include <sched.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

enum ClockMode { kClockUnread = -1, kClockReal = 0, kClockVirtual = 1 };

std::atomic<int> clockMode{kClockUnread};
std::atomic<uint64_t> skippedMilliseconds{0};  // pauses the virtual clock did not wait for

void RealPause(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();  // Sleep(0) gives up the rest of the time slice
    return;
  }
  timespec rest = {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

}  // namespace

bool ParseClockSetting(const char* value, std::string* error) {
  if (value == nullptr || value[0] == '\0' || strcmp(value, "real") == 0) {
    clockMode = kClockReal;
    return true;
  }
  if (strcmp(value, "virtual") == 0) {
    clockMode = kClockVirtual;
    return true;
  }
  *error = std::string("ZOLT_CLOCK: '") + value + "' is not real or virtual";
  return false;
}

bool StandInVirtualClock() {
  if (clockMode.load() == kClockUnread) {
    // Not configured at start (a test program): read the setting now.
    std::string error;
    if (!ParseClockSetting(getenv("ZOLT_CLOCK"), &error)) {
      fprintf(stderr, "zolt: %s\n", error.c_str());
      abort();
    }
  }
  return clockMode.load() == kClockVirtual;
}

void SetStandInVirtualClock(bool on) { clockMode = on ? kClockVirtual : kClockReal; }

void StandInPause(DWORD milliseconds) {
  if (StandInVirtualClock())
    skippedMilliseconds += milliseconds;
  else
    RealPause(milliseconds);
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == INFINITE) StandInUnsupported("Sleep", "INFINITE");
  StandInPause(milliseconds);
}

DWORD GetTickCount(void) {
  // Milliseconds since the system started, wrapping after 49.7 days as on
  // Windows.
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t milliseconds = uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
  return DWORD(milliseconds + skippedMilliseconds.load());
}
