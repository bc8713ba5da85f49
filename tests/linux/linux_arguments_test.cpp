// The Linux build's command line: the arguments as the shell passes them,
// --help and --version, block devices as targets, paths that are never
// options, and usage errors. The reading is one table; whole runs show what
// a user meets (a file name with a space, nothing made on a usage error,
// the refusal of a fixed disk, a loop device as the target).
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/linux_arguments.h"
#include "helpers/diskette_images.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

// A block device of `removable` kind on this machine: a loop device's node
// (there even when nothing is attached), or a disk sysfs marks fixed; ""
// when there is none.
std::string BlockDeviceOfKind(bool removable) {
  DIR* dir = opendir("/sys/block");
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    const bool loop = name.compare(0, 4, "loop") == 0;
    std::ifstream mark("/sys/block/" + name + "/removable");
    char c = 0;
    mark >> c;
    struct stat st;
    const std::string path = "/dev/" + name;
    if (stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    if (removable ? loop : (!loop && c == '0' && name.compare(0, 3, "ram") != 0 &&
                            name.compare(0, 4, "zram") != 0 && name.compare(0, 3, "dm-") != 0)) {
      found = path;
      break;
    }
  }
  closedir(dir);
  return found;
}

std::string Joined(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& each : arguments) line += (line.empty() ? "" : " ") + each;
  return line;
}

// The stand-in's drive table of a test, put back to none at the end.
struct DriveTableScope {
  explicit DriveTableScope(const std::string& setting) {
    std::string error;
    EXPECT_TRUE(ParseDriveSetting(setting.c_str(), &error)) << error;
  }
  ~DriveTableScope() {
    std::string error;
    ParseDriveSetting("q:=fixed", &error);
  }
};

}  // namespace

TEST(LinuxArguments, ReadingTable) {
  const std::string loop = BlockDeviceOfKind(true);
  const std::string fixed = BlockDeviceOfKind(false);
  TempDir dir;
  const std::string regular = dir / "a file.img";
  ASSERT_TRUE(WriteWholeFile(regular, {1, 2, 3}));
  // A: a simulated diskette drive, B: the loop device (when there is one),
  // C: a fixed drive; D: and on are free.
  std::string setting = "a:=floppy:" + dir / "a.img" + ";c:=fixed";
  if (!loop.empty()) setting += ";b:=device:" + loop;

  struct Case {
    std::vector<std::string> arguments;
    LinuxRequest request;
    const char* windowsArguments;  // kRun: as ApplyArguments gets them
    std::string shown;             // kUsageError, kRefused: in the message
    bool needsLoop, needsFixed;
  };
  const Case cases[] = {
      {{}, LinuxRequest::kRun, "", "", false, false},
      {{"a:", "/q", "/t0"}, LinuxRequest::kRun, "a: /q /t0", "", false, false},
      {{"-Q", "/F", "-i", "/?", "-h", "/T12"}, LinuxRequest::kRun, "-Q /F -i /? -h /T12", "", false, false},
      // Only the second character decides, as on Windows.
      {{"/Quick", "-Format"}, LinuxRequest::kRun, "/Quick -Format", "", false, false},
      // A file name with a space and with slashes stays one /D= argument.
      {{"/D=" + dir / "out put.img", "/Q"}, LinuxRequest::kRun, nullptr, "", false, false},
      {{"-dx" + dir / "x.img"}, LinuxRequest::kRun, nullptr, "", false, false},
      {{"--help"}, LinuxRequest::kHelp, nullptr, "", false, false},
      {{"a:", "nonsense", "--version"}, LinuxRequest::kVersion, nullptr, "", false, false},
      {{"--help", "--version"}, LinuxRequest::kHelp, nullptr, "", false, false},
      // Not an option: "/dev/..." is never /D with "v/...".
      {{"/dev/no-such-device"}, LinuxRequest::kUsageError, nullptr, "/dev/no-such-device: no such file", false,
       false},
      {{"/Dev/x"}, LinuxRequest::kUsageError, nullptr, "no such file", false, false},
      {{regular}, LinuxRequest::kUsageError, nullptr, "is not a block device", false, false},
      {{"/"}, LinuxRequest::kUsageError, nullptr, "/ is not a block device", false, false},
      {{"/tmp"}, LinuxRequest::kUsageError, nullptr, "/tmp is not a block device", false, false},
      {{"sample.img"}, LinuxRequest::kUsageError, nullptr, "unknown argument 'sample.img'", false, false},
      {{"a:", "x"}, LinuxRequest::kUsageError, nullptr, "unknown argument 'x'", false, false},
      {{"/PL1"}, LinuxRequest::kUsageError, nullptr, "unknown option '/PL1'", false, false},
      {{"--force"}, LinuxRequest::kUsageError, nullptr, "unknown option '--force'", false, false},
      {{"-"}, LinuxRequest::kUsageError, nullptr, "unknown option '-'", false, false},
      {{"/D="}, LinuxRequest::kUsageError, nullptr, "/D= needs a file name", false, false},
      // A device that has a letter is that drive; one without gets the
      // first free letter.
      {{loop, "/q"}, LinuxRequest::kRun, "b: /q", "", true, false},
      {{fixed}, LinuxRequest::kRefused, nullptr, fixed + " is not written: it is a fixed disk", false, true},
  };
  DriveTableScope table(setting);
  for (const Case& c : cases) {
    if ((c.needsLoop && loop.empty()) || (c.needsFixed && fixed.empty())) continue;
    SCOPED_TRACE("arguments '" + Joined(c.arguments) + "'");
    std::vector<char*> argv;
    std::vector<std::string> copies = c.arguments;
    for (std::string& each : copies) argv.push_back(&each[0]);
    const LinuxArguments r = ReadLinuxArguments(int(argv.size()), argv.data());
    EXPECT_EQ(int(c.request), int(r.request)) << r.message;
    if (c.request == LinuxRequest::kRun) {
      const std::string expected = c.windowsArguments != nullptr ? c.windowsArguments : Joined(c.arguments);
      EXPECT_EQ(expected, Joined(r.windowsArguments));
    }
    if (c.request == LinuxRequest::kUsageError) {
      EXPECT_EQ(kUsageErrorExit, r.exitCode);
    }
    if (c.request == LinuxRequest::kRefused) {
      EXPECT_EQ(991, r.exitCode);
    }
    if (!c.shown.empty()) {
      EXPECT_NE(std::string::npos, r.message.find(c.shown)) << r.message;
    }
    EXPECT_FALSE(FileExists(dir / "out put.img")) << "reading made a file";
  }
}

TEST(LinuxArguments, DeviceWithoutLetterGetsTheFirstFreeOne) {
  const std::string loop = BlockDeviceOfKind(true);
  if (loop.empty()) GTEST_SKIP() << "no loop device node here";
  DriveTableScope table("a:=floppy:/nonexistent/a.img;b:=fixed");
  std::string argument = loop;
  char* argv[] = {&argument[0]};
  const LinuxArguments r = ReadLinuxArguments(1, argv);
  ASSERT_EQ(int(LinuxRequest::kRun), int(r.request)) << r.message;
  ASSERT_EQ(1u, r.windowsArguments.size());
  EXPECT_EQ("c:", r.windowsArguments[0]);
  EXPECT_EQ(UINT(DRIVE_REMOVABLE), GetDriveTypeA("c:")) << "a loop device is a removable medium";
  char target[MAX_PATH + 2];
  ASSERT_NE(0u, QueryDosDeviceA("C:", target, sizeof target));
  EXPECT_EQ(loop, std::string(target));
  // Named again, it is the same drive.
  const LinuxArguments again = ReadLinuxArguments(1, argv);
  ASSERT_EQ(1u, again.windowsArguments.size());
  EXPECT_EQ("c:", again.windowsArguments[0]);
  EXPECT_EQ(DWORD(0x7), GetLogicalDrives());
}

namespace {

class LinuxCommandLine : public testing::Test {
 protected:
  TempDir dir;
  ProgramResult Run(const std::string& program, const std::string& arguments) {
    return RunProgram("ZOLT_CLOCK=virtual ZOLT_WINDOWS=nt ZOLT_DRIVES='a:=floppy:" + dir / "a.img" +
                      "' timeout 60 " + program + " " + arguments);
  }
};

}  // namespace

TEST_F(LinuxCommandLine, HelpAndVersionOnTheBareAndThePackedRestorer) {
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  for (const std::string& program : {BuiltProgram("zolt"), packed.program}) {
    SCOPED_TRACE(program);
    const ProgramResult help = Run(program, "--help");
    EXPECT_EQ(0, help.exitCode) << help.err;
    EXPECT_EQ(0u, help.out.find("Usage: zolt ")) << help.out;
    for (const char* part : {"/D=FILE", "ZOLT_DRIVES", "ZOLT_WINDOWS", "ZOLT_CLOCK", "ZOLT_TRACE",
                             "print label", "password TEXT", "Exit status", "238"})
      EXPECT_NE(std::string::npos, help.out.find(part)) << part;
    EXPECT_EQ("", help.err);
    const ProgramResult version = Run(program, "a: --version");
    EXPECT_EQ(0, version.exitCode) << version.err;
    EXPECT_EQ(0u, version.out.find("zolt ")) << version.out;
    EXPECT_EQ(version.out.size() - 1, version.out.find('\n')) << "one line: " << version.out;
  }
}

TEST_F(LinuxCommandLine, BareRestorerSaysItCarriesNoImage) {
  const ProgramResult r = Run(BuiltProgram("zolt"), "a: /I /Q </dev/null");
  EXPECT_EQ(24, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("carries no diskette image")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("zolt-pack build --image")) << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("damaged")) << r.err;
}

TEST_F(LinuxCommandLine, FileNameWithASpaceStaysOneArgument) {
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  const std::string out = dir / "with space" ;
  ASSERT_EQ(0, mkdir(out.c_str(), 0700));
  const ProgramResult r = Run(packed.program, "'/D=" + out + "/the image.img' /Q /T1 </dev/null");
  EXPECT_EQ(0, r.exitCode) << r.err << r.out;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(out + "/the image.img", &bytes)) << r.out;
  EXPECT_TRUE(bytes == packed.image);
  EXPECT_FALSE(FileExists(out + "/the")) << "the name was cut at the space";
}

TEST_F(LinuxCommandLine, UsageErrorDoesNothing) {
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  for (const char* wrong : {"stray", "/dev/no-such-device", "--frobnicate"}) {
    SCOPED_TRACE(wrong);
    const ProgramResult r = Run(packed.program, "/D=" + dir / "out.img" + " /Q " + wrong + " </dev/null");
    EXPECT_EQ(2, r.exitCode) << r.err;
    EXPECT_EQ("", r.out) << "no dialog, no list";
    EXPECT_NE(std::string::npos, r.err.find("Try 'zolt --help'")) << r.err;
    EXPECT_FALSE(FileExists(dir / "out.img")) << "the image file was made";
    EXPECT_FALSE(FileExists(dir / "a.img")) << "the diskette was written";
  }
}

TEST_F(LinuxCommandLine, FixedDiskIsRefusedWithItsReason) {
  const std::string fixed = BlockDeviceOfKind(false);
  if (fixed.empty()) GTEST_SKIP() << "no fixed disk here";
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  const ProgramResult r = Run(packed.program, fixed + " /Q /T1 </dev/null");
  EXPECT_EQ(991 & 0xFF, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(fixed + " is not written: it is a fixed disk")) << r.err;
  EXPECT_EQ("", r.out) << "no run was started";
}

// Line mode's progress on standard error: one line per tenth into a file
// or pipe; on a terminal one line, rewritten in place after each track.
TEST_F(LinuxCommandLine, ProgressOnStandardError) {
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  const ProgramResult r = Run(packed.program, "a: /Q /T1 </dev/null");
  ASSERT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines;
  for (size_t at = r.err.find("zolt: track "); at != std::string::npos; at = r.err.find("zolt: track ", at + 1))
    lines.push_back(r.err.substr(at, r.err.find('\n', at) - at));
  ASSERT_EQ(11u, lines.size()) << r.err;
  EXPECT_EQ("zolt: track 1 of 160 (cylinder 0, head 0), 0%", lines.front());
  EXPECT_EQ("zolt: track 16 of 160 (cylinder 7, head 1), 10%", lines[1]);
  EXPECT_EQ("zolt: track 160 of 160 (cylinder 79, head 1), 100%", lines.back());
  EXPECT_EQ(std::string::npos, r.err.find('\r')) << "nothing in place off a terminal";

  // script(1) gives the run a terminal; standard error alone goes to it.
  const std::string typescript = dir / "typescript";
  const ProgramResult onTerminal = RunProgram(
      "ZOLT_CLOCK=virtual ZOLT_WINDOWS=nt ZOLT_DRIVES='a:=floppy:" + dir / "b.img" + "' script -qec \"" +
      packed.program + " a: /I /Q /T1 </dev/null >" + dir / "out" + "\" " + typescript + " >/dev/null 2>&1");
  if (onTerminal.exitCode == 127 || onTerminal.exitCode == -1) GTEST_SKIP() << "no script(1) here";
  ASSERT_EQ(0, onTerminal.exitCode);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(typescript, &bytes));
  const std::string shown(bytes.begin(), bytes.end());
  EXPECT_NE(std::string::npos, shown.find("\rzolt: track 2 of 160 (cylinder 0, head 1), 1%\x1b[K\rzolt: track 3 of"))
      << shown.substr(0, 400);
  const size_t last = shown.find("\rzolt: track 160 of 160 (cylinder 79, head 1), 100%\x1b[K");
  ASSERT_NE(std::string::npos, last) << shown.substr(shown.size() > 400 ? shown.size() - 400 : 0);
  // The line ends after the last track (the terminal shows a line end as
  // CR LF).
  const std::string after = shown.substr(shown.find("\x1b[K", last) + 3, 2);
  EXPECT_TRUE(after == "\r\n" || after[0] == '\n') << after;
}
