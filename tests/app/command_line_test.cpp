// The command line: splitting, drives and options, as one table; the
// Windows version check.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/image_file.h"
#include "app/startup.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"

namespace {

struct Expected {
  const char* targetDrive;
  int driveFromCommandLine, autoStart, quitDelaySeconds, formatWhileCopying, showHelp,
      integrityCheck;
  const char* imageFileName;  // nullptr: none
  int refusedDriveCode;       // of the last drive named: 15 no such drive, 991 not removable
};

struct Case {
  const char* line;
  Expected expected;
};

// A: and B: would be removable; B: is missing here; C: is fixed, D: remote,
// E: a CD-ROM, R: a RAM disk.
const char kDrives[] = "a:=floppy:/nonexistent/a.img;c:=fixed;d:=remote;e:=cdrom;r:=ramdisk";

}  // namespace

TEST(CommandLine, SplitAndApply) {
  TempDir dir;
  std::string out = dir / "out.img";
  std::string tooMany;
  for (int i = 0; i < 25; ++i) tooMany += "x ";
  tooMany += "/q";
  const Case cases[] = {
      {"", {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},
      {"a: /q /t0", {"a:", 1, 1, 0, 0, 0, 0, nullptr, 0}},
      {"A: -Q -q", {"A:", 1, 1, 5, 0, 0, 0, nullptr, 0}},
      {"b:", {"", 0, 0, 5, 0, 0, 0, nullptr, 15}},          // no such drive
      {"c:", {"", 0, 0, 5, 0, 0, 0, nullptr, 991}},          // fixed: never from the command line
      {"d:", {"", 0, 0, 5, 0, 0, 0, nullptr, 991}},
      {"e:", {"", 0, 0, 5, 0, 0, 0, nullptr, 991}},
      {"r:", {"", 0, 0, 5, 0, 0, 0, nullptr, 991}},
      {"a: c:", {"", 1, 0, 5, 0, 0, 0, nullptr, 991}},       // the flag, once set, stays
      {"c: a:", {"a:", 1, 0, 5, 0, 0, 0, nullptr, 0}},
      {"ab: a:x", {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},   // not two characters, not a colon
      {"/T", {"a:", 0, 0, 0, 0, 0, 0, nullptr, 0}},
      {"/t12abc", {"a:", 0, 0, 12, 0, 0, 0, nullptr, 0}},
      {"/T4294968", {"a:", 0, 0, 4294968, 0, 0, 0, nullptr, 0}},  // slept without a 32-bit wrap
      {"-T-5", {"a:", 0, 0, 0, 0, 0, 0, nullptr, 0}},
      {"/Quick /Format", {"a:", 0, 1, 5, 1, 0, 0, nullptr, 0}},  // only the second character
      {"/F\t/Q", {"a:", 0, 0, 5, 1, 0, 0, nullptr, 0}},    // a tab does not separate
      {"/? -h /H", {"a:", 0, 0, 5, 0, 1, 0, nullptr, 0}},
      {"/i", {"a:", 0, 0, 5, 0, 0, 1, nullptr, 0}},
      {"/PL1 /PRf=x /PM Q /", {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},
      {"  /q   /t7  ", {"a:", 0, 1, 7, 0, 0, 0, nullptr, 0}},
      {"\"/q\"", {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},    // quotes are plain characters
      {"/D=", {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},       // three characters: ignored
      {tooMany.c_str(), {"a:", 0, 0, 5, 0, 0, 0, nullptr, 0}},  // the 26th is not seen
  };
  std::string error;
  ASSERT_TRUE(ParseDriveSetting(kDrives, &error)) << error;
  for (const Case& c : cases) {
    ResetAppState();
    std::string line = c.line;
    char* argv[kMaxArguments];
    int argc = SplitCommandLine(line.data(), argv);
    ApplyArguments(argc, argv);
    const Expected& e = c.expected;
    SCOPED_TRACE(std::string("command line '") + c.line + "'");
    EXPECT_STREQ(e.targetDrive, app.targetDrive);
    EXPECT_EQ(e.driveFromCommandLine, app.driveFromCommandLine);
    EXPECT_EQ(e.autoStart, app.autoStart);
    EXPECT_EQ(e.quitDelaySeconds, app.quitDelaySeconds);
    EXPECT_EQ(e.formatWhileCopying, app.formatWhileCopying);
    EXPECT_EQ(e.showHelp, app.showHelp);
    EXPECT_EQ(e.integrityCheck, app.integrityCheck.load());
    EXPECT_EQ(e.refusedDriveCode, app.refusedDriveCode);
    EXPECT_EQ(nullptr, app.imageFileName);
    EXPECT_EQ(nullptr, app.imageFile);
  }
  ResetAppState();
}

TEST(CommandLine, SplitStopsAtTwentyFiveArguments) {
  std::string line;
  for (int i = 0; i < 30; ++i) line += "a" + std::to_string(i) + " ";
  char* argv[kMaxArguments];
  ASSERT_EQ(25, SplitCommandLine(line.data(), argv));
  EXPECT_STREQ("a0", argv[0]);
  EXPECT_STREQ("a24", argv[24]);
}

TEST(CommandLine, ImageFileIsMadeBesideItsName) {
  // The file is made at once, beside the name: an existing file under the
  // name is not touched before the run has succeeded.
  TempDir dir;
  std::string path = dir / "out.img";
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(100, 1)));
  for (const char* form : {"/D=", "-dx"}) {
    ResetAppState();
    std::string line = std::string("/q ") + form + path;
    char* argv[kMaxArguments];
    ApplyArguments(SplitCommandLine(line.data(), argv), argv);
    ASSERT_NE(nullptr, app.imageFile) << form;
    EXPECT_STREQ(path.c_str(), app.imageFileName);
    EXPECT_TRUE(ImageFilePending());
    EXPECT_TRUE(FileExists(path + ".zolt-part")) << form;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(std::vector<uint8_t>(100, 1), bytes) << form << ": an existing file keeps its contents";
    // A run that does not succeed removes it again.
    EXPECT_EQ(0, SettleImageFile(false));
    EXPECT_EQ(nullptr, app.imageFile);
    EXPECT_FALSE(FileExists(path + ".zolt-part")) << form;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    EXPECT_EQ(std::vector<uint8_t>(100, 1), bytes) << form;
  }
  // Two /D= on one line: the first one's file goes, the second is made.
  ResetAppState();
  std::string line = "/D=" + dir / "first.img" + " /D=" + dir / "second.img";
  char* argv[kMaxArguments];
  ApplyArguments(SplitCommandLine(line.data(), argv), argv);
  EXPECT_FALSE(FileExists(dir / "first.img.zolt-part"));
  EXPECT_TRUE(FileExists(dir / "second.img.zolt-part"));
  ASSERT_NE(nullptr, app.imageFile);
  fputs("image", app.imageFile);
  EXPECT_EQ(0, SettleImageFile(true));
  EXPECT_FALSE(FileExists(dir / "second.img.zolt-part"));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(dir / "second.img", &bytes));
  EXPECT_EQ(std::string("image"), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(0, SettleImageFile(true)) << "only the first call acts";

  ResetAppState();
  line = "/D=" + dir / "missing/out.img";
  ApplyArguments(SplitCommandLine(line.data(), argv), argv);
  EXPECT_EQ(nullptr, app.imageFile) << "a file that cannot be made stays unopened";
  EXPECT_NE(nullptr, app.imageFileName);
  EXPECT_FALSE(ImageFilePending());
  ResetAppState();
}

TEST(Startup, VersionCheck) {
  struct Case {
    const char* setting;
    bool accepted;
    int isNT;
  } cases[] = {{"nt", true, 1}, {"9x", true, 0}, {"5.0", true, 1}, {"4.0", true, 1},
               {"10.0", false, 0}, {"3.51", false, 0}, {"7.0", false, 0}};
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting(c.setting, &error)) << error;
    ResetAppState();
    app.isNT = 7;
    testing::internal::CaptureStderr();
    bool accepted = CheckWindowsVersion();
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.accepted, accepted) << c.setting;
    if (c.accepted) {
      EXPECT_EQ(c.isNT, app.isNT) << c.setting;
      EXPECT_EQ("", shown);
    } else {
      EXPECT_NE(std::string::npos, shown.find(kVersionRefusedText)) << shown;
      EXPECT_NE(std::string::npos, shown.find(kVersionRefusedCaption)) << shown;
    }
  }
  std::string error;
  ParseWindowsSetting("nt", &error);
  ResetAppState();
}

TEST(Startup, RefusedVersionExitsWithMinusOne) {
  ProgramResult r = RunProgram("ZOLT_WINDOWS=10.0 ZOLT_DRIVES= " + BuiltProgram("zolt") + " a: /q");
  EXPECT_EQ(255, r.exitCode) << "-1 as a process exit status";
  EXPECT_NE(std::string::npos, r.err.find("Error !!!")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("Windows Vista or Windows 7.")) << r.err;
}
