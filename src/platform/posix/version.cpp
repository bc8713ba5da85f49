// GetVersionExA over ZOLT_WINDOWS: "nt" (the default, Windows 7: 6.1 on the
// NT platform), "9x" (Windows 98: 4.10 on the Windows platform), or
// "MAJOR.MINOR" for the NT platform with that version.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/standin.h"
#include "platform/posix/windows.h"

namespace {
DWORD majorVersion = 6, minorVersion = 1, buildNumber = 7601;
DWORD platformId = VER_PLATFORM_WIN32_NT;
}  // namespace

bool ParseWindowsSetting(const char* value, std::string* error) {
  if (value == nullptr || value[0] == '\0' || strcmp(value, "nt") == 0) {
    majorVersion = 6, minorVersion = 1, buildNumber = 7601, platformId = VER_PLATFORM_WIN32_NT;
    return true;
  }
  if (strcmp(value, "9x") == 0) {
    majorVersion = 4, minorVersion = 10, buildNumber = 2222, platformId = VER_PLATFORM_WIN32_WINDOWS;
    return true;
  }
  unsigned major = 0, minor = 0;
  int used = 0;
  if (sscanf(value, "%3u.%3u%n", &major, &minor, &used) == 2 && value[used] == '\0') {
    majorVersion = major, minorVersion = minor, buildNumber = 0, platformId = VER_PLATFORM_WIN32_NT;
    return true;
  }
  *error = std::string("ZOLT_WINDOWS: '") + value + "' is not nt, 9x or MAJOR.MINOR";
  return false;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->dwMajorVersion = majorVersion;
  info->dwMinorVersion = minorVersion;
  info->dwBuildNumber = buildNumber;
  info->dwPlatformId = platformId;
  memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}
