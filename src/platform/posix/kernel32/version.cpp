// GetVersionExA over ZOLT_WINDOWS: "nt" (the default, Windows 7: 6.1 on the
// NT platform), "9x" (Windows 98: 4.10 on the Windows platform), or
// "MAJOR.MINOR" for the NT platform with that version.
#include <cstring>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {
DWORD majorVersion = 6, minorVersion = 1, buildNumber = 7601;
DWORD platformId = VER_PLATFORM_WIN32_NT;

// One to three decimal digits, nothing else (no sign, no blank). Returns the
// character after them, or nullptr.
const char* ParseVersionNumber(const char* p, DWORD* number) {
  int digits = 0;
  for (*number = 0; *p >= '0' && *p <= '9' && digits < 3; ++p, ++digits)
    *number = *number * 10 + DWORD(*p - '0');
  return digits == 0 ? nullptr : p;
}
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
  DWORD major = 0, minor = 0;
  const char* p = ParseVersionNumber(value, &major);
  p = p != nullptr && *p == '.' ? ParseVersionNumber(p + 1, &minor) : nullptr;
  if (p != nullptr && *p == '\0') {
    majorVersion = major, minorVersion = minor, buildNumber = 0, platformId = VER_PLATFORM_WIN32_NT;
    return true;
  }
  *error = std::string("ZOLT_WINDOWS: '") + value + "' is not nt, 9x or MAJOR.MINOR";
  return false;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  // The size of OSVERSIONINFOEXA, whose service-pack and product fields the
  // stand-in does not have.
  constexpr DWORD kExtendedInfoSize = 156;
  if (info == nullptr) StandInUnsupported("GetVersionExA", "a null record");
  if (info->dwOSVersionInfoSize == kExtendedInfoSize) StandInUnsupported("GetVersionExA", "OSVERSIONINFOEXA");
  // Windows NT refuses any other size with this error (Windows 9x sets none).
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = majorVersion;
  info->dwMinorVersion = minorVersion;
  info->dwBuildNumber = buildNumber;
  info->dwPlatformId = platformId;
  memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

bool StandInWindows9x() { return platformId == VER_PLATFORM_WIN32_WINDOWS; }
