// ZOLT_WINDOWS as GetVersionExA reports it, and the record sizes that
// GetVersionExA refuses or leaves outside the stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

// A record full of a pattern, so that nothing passes by being zero already.
OSVERSIONINFOA PatternedRecord(DWORD size) {
  OSVERSIONINFOA info;
  memset(&info, 0xA5, sizeof info);
  info.dwOSVersionInfoSize = size;
  return info;
}

}  // namespace

TEST(StandInVersion, SettingThroughGetVersionEx) {
  struct Case {
    const char* value;
    bool accepted;
    DWORD major, minor, platform;  // when refused: those of "9x", set before
  } cases[] = {
      {nullptr, true, 6, 1, VER_PLATFORM_WIN32_NT},
      {"", true, 6, 1, VER_PLATFORM_WIN32_NT},
      {"nt", true, 6, 1, VER_PLATFORM_WIN32_NT},
      {"9x", true, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"10.0", true, 10, 0, VER_PLATFORM_WIN32_NT},
      {"3.51", true, 3, 51, VER_PLATFORM_WIN32_NT},
      {"5.0", true, 5, 0, VER_PLATFORM_WIN32_NT},
      {"garbage", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"NT", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"6", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"6.", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {".1", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"6.1.7601", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"-1.0", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"+6.1", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {" 6.1", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"6. 1", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
      {"1000.0", false, 4, 10, VER_PLATFORM_WIN32_WINDOWS},
  };
  for (const Case& c : cases) {
    const char* shown = c.value ? c.value : "(unset)";
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting("9x", &error)) << error;
    EXPECT_EQ(c.accepted, ParseWindowsSetting(c.value, &error)) << shown << ": " << error;
    if (!c.accepted) {
      EXPECT_EQ(std::string("ZOLT_WINDOWS: '") + c.value + "' is not nt, 9x or MAJOR.MINOR", error);
    }
    OSVERSIONINFOA info = PatternedRecord(sizeof(OSVERSIONINFOA));
    SetLastError(0xdeadbeef);
    BOOL ok = GetVersionExA(&info);
    EXPECT_TRUE(ok) << shown << ": GetVersionExA failed with " << GetLastError();
    EXPECT_EQ(0xdeadbeefu, GetLastError()) << shown << ": set " << GetLastError();
    EXPECT_EQ(c.major, info.dwMajorVersion) << shown;
    EXPECT_EQ(c.minor, info.dwMinorVersion) << shown;
    EXPECT_EQ(c.platform, info.dwPlatformId) << shown;
    EXPECT_EQ(std::string(), std::string(info.szCSDVersion, strnlen(info.szCSDVersion, 128)))
        << shown << ": no service pack";
  }
  std::string error;
  ParseWindowsSetting(nullptr, &error);
}

// Windows NT refuses a record of any size but its own with
// ERROR_INSUFFICIENT_BUFFER and writes nothing into it.
TEST(StandInVersion, WrongRecordSizeFails) {
  for (DWORD size : {0u, 1u, 147u, 149u, 276u, 296u}) {
    OSVERSIONINFOA info = PatternedRecord(size);
    SetLastError(0xdeadbeef);
    BOOL ok = GetVersionExA(&info);
    DWORD lastError = GetLastError();
    EXPECT_FALSE(ok) << "size " << size;
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), lastError)
        << "size " << size << ": set " << lastError;
    EXPECT_EQ(0xA5A5A5A5u, info.dwMajorVersion) << "size " << size;
  }
}

TEST(StandInDeathTest, ExtendedVersionRecordIsOutsideTheSubset) {
  OSVERSIONINFOA info[2];  // room for the 156-byte OSVERSIONINFOEXA
  memset(info, 0, sizeof info);
  info[0].dwOSVersionInfoSize = 156;
  EXPECT_DEATH(GetVersionExA(info), "GetVersionExA: OSVERSIONINFOEXA is not supported");
}
