// Whole runs of the restorer in line mode: image file and integrity check,
// passwords, the drive choice, help, the sink's window boundaries, and the
// failure report with its exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "helpers/container_fixture.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "pack/formats.h"

namespace {

const char kWorking[] = "Working... This may take some time";
const char kSuccess[] = "The operation completed with no error.";
const char kRemove[] = "Now you MUST REMOVE the diskette from the drive.";
const char kWriteError[] = "Write error, be sure the diskette is not write protected";
const char kSize1440[] = "Image for a 1474560 bytes diskette";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The catalogue area `area` with message n replaced by `text`.
std::string WithMessage(const std::string& area, int n, const std::string& text) {
  size_t start = 0;
  for (int k = 0; k < n; ++k) start = area.find('\0', start) + 1;
  size_t end = area.find('\0', start);
  return area.substr(0, start) + text + area.substr(end);
}

// The end of the file image of an ELF64 program's last loaded segment.
size_t LoadedEnd(const std::vector<uint8_t>& elf) {
  auto u64 = [&elf](size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | elf[at + i];
    return v;
  };
  auto u16 = [&elf](size_t at) { return size_t(elf[at] | elf[at + 1] << 8); };
  const size_t phoff = size_t(u64(32)), phentsize = u16(54), phnum = u16(56);
  size_t end = 0;
  for (size_t i = 0; i < phnum; ++i) {
    const size_t p = phoff + i * phentsize;
    if (elf[p] != 1) continue;  // PT_LOAD
    end = std::max(end, size_t(u64(p + 8) + u64(p + 32)));
  }
  return end;
}

class RunTest : public testing::Test {
 protected:
  TempDir dir;
  std::string sample = BuiltProgram("sample-1440k.img");

  // Runs `exe` with `arguments` in line mode, `input` on stdin.
  ProgramResult Run(const std::string& exe, const std::string& arguments, const std::string& input = "",
                    const std::string& drives = "") {
    std::string setting = drives.empty() ? "a:=floppy:" + dir / "a.img" : drives;
    return RunProgram("ZOLT_CLOCK=virtual ZOLT_WINDOWS=nt ZOLT_DRIVES='" + setting + "' timeout 60 " + exe +
                          " " + arguments,
                      input);
  }

  std::string Pack(const std::string& extra) {
    std::string out = dir / ("packed" + std::to_string(++packs) + ".exe");
    ProgramResult r = RunProgram(BuiltProgram("zolt-pack") + " build --image " + sample + " " + extra + " -o " + out);
    EXPECT_EQ(0, r.exitCode) << r.err;
    return out;
  }

  // The restorer's own bytes decide which passwords can protect a
  // container behind it (the substitution table is derived from them): the
  // first of a few that can, in lower case.
  std::string Password() {
    for (const char* candidate : {"secret", "abc", "sesame", "key", "zz", "pass", "open", "a", "qwerty", "xyzzy"}) {
      ProgramResult r = RunProgram(BuiltProgram("zolt-pack") + " build --image " + sample + " --password " +
                                   candidate + " -o " + dir / "probe.exe");
      if (r.exitCode == 0) return candidate;
    }
    ADD_FAILURE() << "no password can protect a container behind this restorer";
    return "secret";
  }

  std::string Compose(const ComposedContainer& c) {
    std::string out = dir / ("composed" + std::to_string(++packs) + ".exe");
    EXPECT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c, out));
    return out;
  }

  bool SameFile(const std::string& a, const std::string& b) {
    std::vector<uint8_t> x, y;
    return ReadWholeFile(a, &x) && ReadWholeFile(b, &y) && x == y;
  }

  int packs = 0;
};

}  // namespace

TEST_F(RunTest, ImageFileAndCheckUnattended) {
  WriteWholeFile(dir / "message.txt", std::vector<uint8_t>{'H', 'e', 'l', 'l', 'o', '.', '\n', 'B', 'y', 'e', '\n'});
  std::string exe = Pack("--message " + dir / "message.txt");

  ProgramResult r = Run(exe, "a: /D=" + dir / "out.img" + " /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ((std::vector<std::string>{"Message to user text : ========================================",
                                      "Hello.", "Bye", kSize1440, kWorking, kSuccess, kRemove}),
            Lines(r.out));
  EXPECT_TRUE(SameFile(sample, dir / "out.img"));

  r = Run(exe, "a: /I /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(kSuccess, lines.back());
  const std::string& checksum = lines[lines.size() - 2];
  EXPECT_EQ(0u, checksum.find("ZOLT -   Expected/Actual CheckSums are:X\"")) << checksum;
  EXPECT_EQ(checksum.substr(41, 8), checksum.substr(53, 8)) << "expected and actual agree: " << checksum;
  EXPECT_FALSE(Contains(lines, kRemove));

  // Both options: the image file is written, and no checksum line is shown.
  r = Run(exe, "a: /I /D=" + dir / "both.img" + " /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_TRUE(SameFile(sample, dir / "both.img"));
  lines = Lines(r.out);
  EXPECT_EQ(kSuccess, lines.back());
  EXPECT_EQ(0, std::count_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.find("CheckSums") != std::string::npos; }));
}

TEST_F(RunTest, Passwords) {
  const std::string password = Password();
  std::string upper = password;
  for (char& c : upper) c = char(toupper(c));
  std::string exe = Pack("--password " + upper);
  std::string image = dir / "out.img";
  // A wrong password is refused and the dialog stays ready for another try;
  // the right one typed in lower case is accepted.
  ProgramResult r = Run(exe, "a: /D=" + image, "password " + password + "s\nok\npassword " + password + "\nok\n");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_TRUE(Contains(lines, "This file is password protected, please enter the password:"));
  auto refused = std::find(lines.begin(), lines.end(), "Invalid password, please re-enter");
  ASSERT_NE(lines.end(), refused);
  EXPECT_EQ(kWorking, *(refused - 1)) << "every start lists the working line first";
  EXPECT_EQ(kRemove, lines.back());
  EXPECT_TRUE(SameFile(sample, image));

  // A 13th character cannot be typed.
  r = Run(exe, "a: /I", "password " + password + std::string(13, 'x') + "\ntest only\n");
  EXPECT_NE(std::string::npos, r.err.find("password cut to 12 characters")) << r.err;
  EXPECT_TRUE(Contains(Lines(r.out), "Invalid password, please re-enter"));

  // Unattended with a password: nothing starts by itself; the end of input
  // quits, and no image is written. The run never happened: cancelled.
  // The image file written before keeps its contents.
  r = Run(exe, "a: /D=" + image + " /Q /T1");
  EXPECT_EQ(1223 & 0xFF, r.exitCode) << r.err;  // ERROR_CANCELLED, as far as a POSIX status holds it
  EXPECT_FALSE(Contains(Lines(r.out), kWorking));
  EXPECT_TRUE(SameFile(sample, image));
  EXPECT_FALSE(FileExists(image + ".zolt-part"));
}

TEST_F(RunTest, HelpListsTheUsageEachTime) {
  std::string exe = Pack("");
  ProgramResult r = Run(exe, "a:", "help\nhelp\n");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_EQ(2, std::count(lines.begin(), lines.end(), " - Usage"));
  EXPECT_EQ(2, std::count(lines.begin(), lines.end(), "  /Q or -q starts operation without pressing OK"));
  EXPECT_FALSE(Contains(lines, kWorking)) << "help never starts a run";

  // /H lists the usage once the dialog is ready, and the run goes on.
  r = Run(exe, "a: /H /I /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  lines = Lines(r.out);
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), " - Usage"));
  EXPECT_EQ(kSuccess, lines.back());
}

TEST_F(RunTest, UnattendedQuitDelay) {
  // Standard input stays open (a pipe held by the shell), so only the
  // program itself can end the run: with /T1 it quits after its success,
  // with /T0 it stays until someone quits.
  std::string exe = Pack("");
  std::string fifo = dir / "input";
  ASSERT_EQ(0, system(("mkfifo " + fifo).c_str()));
  for (const char* delay : {"/T1", "/T0"}) {
    ProgramResult r = RunProgram("exec 3<>" + fifo + "; ZOLT_CLOCK=virtual ZOLT_DRIVES='a:=floppy:" + dir / "a.img" +
                                 "' timeout 5 " + exe + " a: /I /Q " + delay + " <" + fifo);
    EXPECT_EQ(std::string(delay) == "/T1" ? 0 : 124, r.exitCode) << delay << ": " << r.err;
    EXPECT_EQ(kSuccess, Lines(r.out).back()) << delay;
  }
  // A delay whose milliseconds pass 32 bits is waited for, not cut to what
  // is left of it (4,294,968 s would be 0.7 s). On the real clock: the
  // virtual one would pass any delay at once.
  ProgramResult r = RunProgram("exec 3<>" + fifo + "; ZOLT_DRIVES='a:=floppy:" + dir / "a.img" + "' timeout 8 " +
                               exe + " a: /I /Q /T4294968 <" + fifo);
  EXPECT_EQ(124, r.exitCode) << r.err;
  EXPECT_EQ(kSuccess, Lines(r.out).back());
}

TEST_F(RunTest, DriveChoice) {
  std::string exe = Pack("");
  // No removable drive: a diskette run is refused and the dialog stays
  // ready; a check needs no drive.
  ProgramResult r = Run(exe, "", "ok\ntest only\n", "c:=fixed");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_TRUE(Contains(lines, "Invalid Drive address"));
  EXPECT_EQ(kSuccess, lines.back());

  // Another drive than A: is asked about; "No" changes nothing.
  r = Run(exe, "", "drive B\nok\nno\ntest only\n",
          "a:=floppy:" + dir / "a.img" + ";b:=floppy:" + dir / "b.img");
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("Are you sure you want to write to drive B ?")) << r.err;
  lines = Lines(r.out);
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), kWorking)) << "only the check started";
  EXPECT_EQ(kSuccess, lines.back());
}

TEST_F(RunTest, StreamCutIntoWindowsAnywhere) {
  std::vector<uint8_t> image = PatternImage(1474560, 1);
  // A catalogue whose string area runs across the first window boundary:
  // message 24 (never shown) is long, the messages after it must still be
  // found by number.
  ComposedContainer across = DefaultComposition(image);
  std::string area = across.catalogueArea;
  size_t at24 = 0;
  for (int n = 0; n < 24; ++n) at24 = area.find('\0', at24) + 1;
  ComposedContainer straddle = across;
  across.catalogueArea = area.substr(0, at24) + std::string(40000, 'x') + area.substr(at24);
  // A free-text record header that straddles the boundary: its type byte
  // three bytes before it.
  const size_t headerAt = 32768 - 3;
  straddle.catalogueArea = area.substr(0, at24) + std::string(headerAt - 9 - area.size(), 'y') + area.substr(at24);
  straddle.freeTexts[0] = "LABEL TEXT\r\n";
  // An image of 2,881 sectors: its last track holds one sector; bytes
  // after the image are not part of it.
  ComposedContainer odd = DefaultComposition(PatternImage(2881 * 512, 2));
  odd.format.totalSectors16 = 2881;
  odd.format.cylinders = 81;
  odd.bytesBeyondImage = 5000;

  for (const ComposedContainer* c : {&across, &straddle, &odd}) {
    std::string exe = Compose(*c);
    ProgramResult r = Run(exe, "a: /D=" + dir / "out.img" + " /Q /T1");
    EXPECT_EQ(0, r.exitCode) << r.err << r.out;
    std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(kRemove, lines.empty() ? "" : lines.back());
    std::vector<uint8_t> written;
    ASSERT_TRUE(ReadWholeFile(dir / "out.img", &written));
    EXPECT_TRUE(written == c->image) << "image file of " << written.size() << " bytes";
    if (c == &straddle) {
      EXPECT_TRUE(Contains(lines, "LABEL TEXT"));
    }
    r = Run(exe, "a: /I /Q /T1");
    EXPECT_EQ(0, r.exitCode) << r.err << r.out;
  }
}

TEST_F(RunTest, FailuresAndTheirExitCodes) {
  std::vector<uint8_t> image = PatternImage(1474560, 3);
  ComposedContainer badCrc = DefaultComposition(image);
  badCrc.crcChange = 0x10;
  ComposedContainer cut = DefaultComposition(image);
  cut.keepStreamBytes = 200000;
  ComposedContainer unknownRecord = DefaultComposition(image);
  unknownRecord.recordTypes[1] = 0x05;
  ComposedContainer noCatalogue = DefaultComposition(image);
  noCatalogue.recordTypes[0] = 0x02;
  ComposedContainer badGeometry = DefaultComposition(image);
  badGeometry.format.bytesPerSector = 500;
  ComposedContainer good = DefaultComposition(image);
  // 80 cylinders of 10 sectors: no NT media type formats such tracks.
  ComposedContainer tenSectors = DefaultComposition(std::vector<uint8_t>(image.begin(), image.begin() + 819200));
  tenSectors.format.sectorsPerTrack = 10;
  tenSectors.format.totalSectors16 = 1600;

  struct Case {
    const char* name;
    const ComposedContainer* container;  // null: the restorer alone
    std::string arguments;
    int exitCode;
    const char* lastLine;  // of the message list; null: no list at all
    const char* shown;     // on stderr; null: nothing checked
    std::string program = "";  // instead of the composed file
  } cases[] = {
      {"checksum mismatch", &badCrc, "a: /I /Q /T1", 4, kWriteError, nullptr},
      {"checksum mismatch with /H", &badCrc, "a: /H /I /Q /T1", 4, kWriteError, nullptr},
      {"image file full", &good, "a: /D=/dev/full /Q /T1", 8, kWriteError, nullptr},
      {"stream cut mid-track", &cut, "a: /D=" + dir / "cut.img" + " /Q /T1", 1, kWriteError, nullptr},
      {"unknown record type", &unknownRecord, "a: /I /Q /T1", 13, kWriteError, nullptr},
      {"no catalogue first", &noCatalogue, "a: /I /Q /T1", 13, nullptr, "holds damaged compressed data"},
      {"impossible geometry", &badGeometry, "a: /I /Q /T1", 13, nullptr, "impossible format"},
      {"image file cannot be made", &good, "a: /D=" + dir / "missing/out.img" + " /Q /T1", 82,
       nullptr, nullptr},
      {"no NT format for the geometry", &tenSectors, "a: /Q /T1", 50, "Unsupported operation", nullptr},
      {"no container", nullptr, "a: /I /Q /T1", 24, nullptr, "carries no diskette image"},
      {"file cut short before its container", nullptr, "a: /I /Q /T1", 24, nullptr,
       "is shorter than the program itself", dir / "cut.exe"},
  };
  // The restorer cut after its loaded segments: it still runs, but what
  // its headers give as the program's end (the section header table at the
  // end of the file) is gone.
  std::vector<uint8_t> restorer;
  ASSERT_TRUE(ReadWholeFile(BuiltProgram("zolt"), &restorer));
  restorer.resize(LoadedEnd(restorer));
  ASSERT_LT(restorer.size() + 64, std::filesystem::file_size(BuiltProgram("zolt")));
  ASSERT_TRUE(WriteWholeFile(dir / "cut.exe", restorer));
  ASSERT_EQ(0, chmod((dir / "cut.exe").c_str(), 0755));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string exe = !c.program.empty() ? c.program : c.container ? Compose(*c.container) : BuiltProgram("zolt");
    ProgramResult r = Run(exe, c.arguments);
    EXPECT_EQ(c.exitCode, r.exitCode) << r.err << r.out;
    std::vector<std::string> lines = Lines(r.out);
    if (c.exitCode == 8) {
      EXPECT_TRUE(Contains(lines, "Output volume full, aborting.")) << r.out;
    }
    if (c.lastLine != nullptr) {
      EXPECT_EQ(c.lastLine, lines.empty() ? "" : lines.back()) << r.out;
    } else if (c.exitCode == 82) {
      EXPECT_EQ("Cannot open " + dir / "missing/out.img", lines.empty() ? "" : lines.back());
    } else {
      EXPECT_TRUE(lines.empty()) << r.out;
    }
    if (c.shown != nullptr) {
      EXPECT_NE(std::string::npos, r.err.find(c.shown)) << r.err;
    }
    EXPECT_FALSE(Contains(lines, kSuccess));
  }
}

TEST_F(RunTest, ImageFileThatTakesOnlyPartOfTheImage) {
  // The file size limit (with SIGXFSZ ignored, so a write beyond it just
  // falls short) makes the image file take `limit` bytes and no more: a
  // write fails inside the second track, inside the last track, or inside
  // the second track of a stream that is found cut only later. The short
  // write is what ends the run, whenever it is seen.
  std::vector<uint8_t> image = PatternImage(1474560, 4);
  ComposedContainer whole = DefaultComposition(image);
  ComposedContainer cutLater = DefaultComposition(image);
  cutLater.keepStreamBytes = 12000;
  struct Case {
    const char* name;
    const ComposedContainer* container;
    size_t limit;
    int exitCode;
  } cases[] = {
      {"the whole image fits", &whole, image.size(), 0},
      {"second track", &whole, 16384, 8},
      {"last track", &whole, image.size() - 1000, 8},
      {"second track of a stream cut later", &cutLater, 16384, 8},
  };
  ASSERT_TRUE(WriteWholeFile(dir / "whole.img", image));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string exe = Compose(*c.container);
    std::string out = dir / "limited.img";
    ProgramResult r = RunProgram("trap '' XFSZ; ZOLT_CLOCK=virtual ZOLT_WINDOWS=nt ZOLT_DRIVES='a:=floppy:" +
                                 dir / "a.img" + "' prlimit --fsize=" + std::to_string(c.limit) +
                                 " timeout 60 " + exe + " a: /D=" + out + " /Q /T1");
    EXPECT_EQ(c.exitCode, r.exitCode) << r.err << r.out;
    std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(c.exitCode == 8, Contains(lines, "Output volume full, aborting.")) << r.out;
    EXPECT_EQ(c.exitCode == 0, Contains(lines, kSuccess)) << r.out;
    if (c.exitCode != 0) {
      EXPECT_EQ(kWriteError, lines.empty() ? "" : lines.back()) << r.out;
    }
    // A run that fails leaves nothing under the name, nor beside it.
    EXPECT_EQ(c.exitCode == 0, FileExists(out));
    if (c.exitCode == 0) {
      EXPECT_TRUE(SameFile(out, dir / "whole.img"));
    }
    EXPECT_FALSE(FileExists(out + ".zolt-part"));
    std::remove(out.c_str());
  }
}

TEST_F(RunTest, StopDuringTheRun) {
  // The image file is a pipe that nobody reads yet: the run blocks in its
  // first writes and stays running while the user stops it. Once the stop
  // question has been answered, the pipe is drained and the run ends as
  // interrupted.
  std::string exe = Pack("");
  std::string fifo = dir / "pipe.img";
  ASSERT_EQ(0, system(("mkfifo " + fifo).c_str()));
  std::string err = dir / "stderr.txt";
  // The drain must not hold the shell's end of the pipe, or its reader would
  // never see the end of the data.
  std::string drain = "( exec 3<&-; until grep -q 'Are you sure you want to stop' " + err +
                      " 2>/dev/null; do sleep 0.05; done; sleep 0.5; timeout 30 cat " + fifo + " >/dev/null ) &";
  std::string command = "exec 3<>" + fifo + "; " + drain +
                        " printf 'ok\\ncancel\\nyes\\n' | ZOLT_CLOCK=virtual ZOLT_DRIVES='a:=floppy:" +
                        dir / "a.img" + "' timeout 60 " + exe + " a: /D=" + fifo + " 2>" + err +
                        "; echo EXIT=$?; exec 3<&-; wait";
  ProgramResult r = RunProgram(command);
  std::vector<uint8_t> shown;
  ReadWholeFile(err, &shown);
  EXPECT_NE(std::string::npos, r.out.find("EXIT=1")) << r.out << std::string(shown.begin(), shown.end());
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_TRUE(Contains(lines, "The operation was interrupted")) << r.out;
  EXPECT_FALSE(Contains(lines, kSuccess));
}

// Message 68 counts the image's own sectors: 1,232 sectors of 1,024 bytes.
TEST_F(RunTest, SizeLineCountsTheSectorSize) {
  ComposedContainer big = DefaultComposition(PatternImage(1261568, 5));
  big.format.bytesPerSector = 1024;
  big.format.sectorsPerTrack = 8;
  big.format.heads = 2;
  big.format.cylinders = 77;
  big.format.totalSectors16 = 1232;
  ProgramResult r = Run(Compose(big), "a: /I /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<std::string> lines = Lines(r.out);
  EXPECT_TRUE(Contains(lines, "Image for a 1261568 bytes diskette")) << r.out;
  EXPECT_EQ(kSuccess, lines.empty() ? "" : lines.back());
}

// Catalogue texts come with the container: an empty caption does not keep
// line mode from quitting at the end of input, and a placeholder with a
// length modifier other than the program's is shown as it stands, never
// handed to printf.
TEST_F(RunTest, CatalogueTextsFromTheContainer) {
  const std::vector<uint8_t> image = PatternImage(1474560, 6);
  struct Case {
    const char* name;
    int message;
    const char* text;
    const char* arguments;
    const char* line;  // a line the list must hold
  } cases[] = {
      {"empty \"&Quit\" caption", 81, "", "a:", kSize1440},
      {"empty \"&Ok\" caption, started by the command", 83, "", "a: /I", kSuccess},
      {"%ls where a number goes", 68, "Image for a %ls bytes diskette", "a: /I /Q /T1", "Image for a %ls bytes diskette"},
      {"%llX where a number goes", 68, "Image for a %llX bytes diskette", "a: /I /Q /T1",
       "Image for a %llX bytes diskette"},
      {"%lu for the drive's code", 69, "%s Open drive error =%lu", "b: /Q /T1", "%s Open drive error =%lu"},
      {"%hX in the checksum line", 65, "%s %08hX %08lX", "a: /I /Q /T1", "%s %08hX %08lX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComposedContainer changed = DefaultComposition(image);
    changed.catalogueArea = WithMessage(changed.catalogueArea, c.message, c.text);
    const std::string input = c.message == 83 ? "test only\n" : "";
    ProgramResult r = Run(Compose(changed), c.arguments, input, "a:=floppy:" + dir / "a.img" + ";b:=fixed");
    EXPECT_NE(124, r.exitCode) << "the end of input did not quit: " << r.err;
    EXPECT_TRUE(Contains(Lines(r.out), c.line)) << r.out;
  }
}

// An unattended run never writes a drive the user did not name, and one
// that never ran does not end as a success. Drive A: holds a diskette
// that must stay as it is whenever the run does not write it.
TEST_F(RunTest, UnattendedRunsThatCannotStart) {
  std::string exe = Pack("");
  std::string protectedExe = Pack("--password " + Password());
  const std::vector<uint8_t> blank(1474560, 0xF6);
  const std::string drives = "a:=floppy:" + dir / "a.img" + ";c:=fixed;d:=cdrom;e:=remote;r:=ramdisk";
  struct Case {
    const char* name;
    bool password;
    std::string arguments;
    const char* input;
    std::string drives;
    int exitCode;
    const char* line;   // a line the list must hold; null: none checked
    bool writesA;       // A: is written (and restored)
  } cases[] = {
      {"a drive that does not exist", false, "q: /Q /T1", "", drives, 15, "ZOLT -   Open drive error =15", false},
      {"a fixed drive", false, "c: /Q /T1", "", drives, 991, "ZOLT -   Open drive error =991", false},
      {"a CD-ROM drive", false, "d: /Q /T1", "", drives, 991, "ZOLT -   Open drive error =991", false},
      {"a remote drive", false, "e: /Q /T1", "", drives, 991, "ZOLT -   Open drive error =991", false},
      {"a RAM disk", false, "r: /Q /T1", "", drives, 991, "ZOLT -   Open drive error =991", false},
      {"/Q before the drive", false, "/Q z: /T1", "", drives, 15, "ZOLT -   Open drive error =15", false},
      {"the last drive named is refused", false, "a: q: /Q /T1", "", drives, 15, "ZOLT -   Open drive error =15",
       false},
      {"the last drive named is taken", false, "q: a: /Q /T1", "", drives, 0, kRemove, true},
      {"a refused drive with a password", true, "c: /Q /T1", "", drives, 991, "ZOLT -   Open drive error =991",
       false},
      {"a check writes no drive", false, "q: /I /Q /T1", "", drives, 0, kSuccess, false},
      {"an image file writes no drive", false, "c: /D=" + dir / "out.img" + " /Q /T1", "", drives, 0, kRemove,
       false},
      {"no removable drive at all", false, "/Q /T1", "", "c:=fixed", 15, "Invalid Drive address", false},
      {"the password never comes", true, "a: /Q /T1", "", drives, 1223, nullptr, false},
      {"quit before the run started", true, "a: /Q /T1", "quit\n", drives, 1223, nullptr, false},
      // Without /Q the user chooses: quitting at once is no failure, and the
      // refused drive only empties the choice.
      {"not unattended", false, "q:", "quit\n", drives, 0, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteWholeFile(dir / "a.img", blank));
    ProgramResult r = Run(c.password ? protectedExe : exe, c.arguments, c.input, c.drives);
    EXPECT_EQ(c.exitCode & 0xFF, r.exitCode) << r.err << r.out;  // a POSIX status holds the low byte
    std::vector<std::string> lines = Lines(r.out);
    if (c.line != nullptr) {
      EXPECT_TRUE(Contains(lines, c.line)) << r.out;
    }
    EXPECT_EQ(c.exitCode == 0 && c.input[0] == '\0', Contains(lines, kWorking)) << "the run started: " << r.out;
    std::vector<uint8_t> a;
    ASSERT_TRUE(ReadWholeFile(dir / "a.img", &a));
    EXPECT_EQ(!c.writesA, a == blank) << "A: written: " << c.writesA;
    if (c.writesA) {
      EXPECT_TRUE(SameFile(sample, dir / "a.img"));
    }
  }
}

// /D= names a file that a run replaces only when it has written the whole
// image: until then, and after any run that fails or never starts, the file
// under that name keeps what it held, and nothing is left beside it. Names
// that are no plain file are written directly.
TEST_F(RunTest, ImageFileReplacedOnlyBySuccess) {
  const std::vector<uint8_t> image = PatternImage(1474560, 7);
  ComposedContainer good = DefaultComposition(image);
  ComposedContainer badCrc = DefaultComposition(image);
  badCrc.crcChange = 0x10;
  ComposedContainer cut = DefaultComposition(image);
  cut.keepStreamBytes = 200000;
  const std::string goodExe = Compose(good), badCrcExe = Compose(badCrc), cutExe = Compose(cut);
  const std::string protectedExe = Pack("--password " + Password());
  const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
  const std::string out = dir / "out.img";
  struct Case {
    const char* name;
    std::string exe;
    std::string arguments;
    const char* input;
    const char* windows;
    int exitCode;
    bool replaced;  // out.img holds the image afterwards; else "old"
  } cases[] = {
      {"success", goodExe, "/Q /T1", "", "nt", 0, true},
      {"success on Windows 9x", goodExe, "/Q /T1", "", "9x", 0, true},
      {"success by \"&Ok\"", goodExe, "", "ok\n", "nt", 0, true},
      {"with /I as well", goodExe, "/I /Q /T1", "", "nt", 0, true},
      {"quit before the start", goodExe, "", "quit\n", "nt", 0, false},
      {"the password never comes", protectedExe, "/Q /T1", "", "nt", 1223 & 0xFF, false},
      {"a wrong password", protectedExe, "", "password wrong\nok\n", "nt", 0, false},
      {"checksum mismatch", badCrcExe, "/Q /T1", "", "nt", 4, false},
      {"stream cut short", cutExe, "/Q /T1", "", "9x", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteWholeFile(out, old));
    ProgramResult r = RunProgram("ZOLT_CLOCK=virtual ZOLT_WINDOWS=" + std::string(c.windows) + " ZOLT_DRIVES='a:=floppy:" +
                                     dir / "a.img" + "' timeout 60 " + c.exe + " a: /D=" + out + " " + c.arguments,
                                 c.input);
    EXPECT_EQ(c.exitCode, r.exitCode) << r.err << r.out;
    std::vector<uint8_t> now;
    ASSERT_TRUE(ReadWholeFile(out, &now));
    if (c.replaced)
      EXPECT_TRUE(now == image) << now.size() << " bytes";
    else
      EXPECT_TRUE(now == old) << now.size() << " bytes";
    EXPECT_FALSE(FileExists(out + ".zolt-part"));
    EXPECT_FALSE(FileExists(dir / "a.img")) << "no diskette is written";
  }

  // A file already called like the one written beside the name is not
  // touched: the next free name is taken.
  ASSERT_TRUE(WriteWholeFile(out, old));
  ASSERT_TRUE(WriteWholeFile(out + ".zolt-part", old));
  ProgramResult r = Run(goodExe, "a: /D=" + out + " /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  std::vector<uint8_t> now;
  ASSERT_TRUE(ReadWholeFile(out + ".zolt-part", &now));
  EXPECT_TRUE(now == old);
  EXPECT_FALSE(FileExists(out + ".zolt-part2"));
  ASSERT_TRUE(ReadWholeFile(out, &now));
  EXPECT_TRUE(now == image);

  // A device is written directly: nothing is made beside it.
  r = Run(goodExe, "a: /D=/dev/null /Q /T1");
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_FALSE(FileExists("/dev/null.zolt-part"));
  EXPECT_EQ(kRemove, Lines(r.out).empty() ? "" : Lines(r.out).back());
}
