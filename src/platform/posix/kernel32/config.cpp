// The stand-in's settings, read once from the environment at start, and its
// loud failure for anything outside the subset.
#include <cstdio>
#include <cstdlib>

#include "devices/device_trace.h"
#include "kernel32/standin.h"

bool LoadStandInConfiguration(std::string* error) {
  if (!ParseWindowsSetting(getenv("ZOLT_WINDOWS"), error)) return false;
  if (!ParseDriveSetting(getenv("ZOLT_DRIVES"), error)) return false;
  if (!ParseClockSetting(getenv("ZOLT_CLOCK"), error)) return false;
  if (!ParseTraceSetting(getenv("ZOLT_TRACE"), error)) return false;
  return true;
}

void StandInUnsupported(const char* call, const char* what) {
  fprintf(stderr, "zolt: %s: %s is not supported by the POSIX stand-in\n", call, what);
  fflush(stderr);
  abort();
}
