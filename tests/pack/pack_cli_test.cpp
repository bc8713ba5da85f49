// The zolt-pack program itself: its commands, exit codes and the one-line
// "zolt-pack: " message on failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "helpers/test_files.h"

namespace {

struct Outcome {
  int exitCode;
  std::string out, err;
};

// Runs the zolt-pack at `program` (the build's, or a copy placed
// somewhere) with `arguments` (already quoted for the shell).
Outcome ZoltPackAt(const TempDir& dir, const std::string& program, const std::string& arguments) {
  const std::string command = program + " " + arguments + " >" + (dir / "stdout") + " 2>" + (dir / "stderr");
  const int status = std::system(command.c_str());
  Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ""};
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(dir / "stdout", &bytes)) run.out.assign(bytes.begin(), bytes.end());
  if (ReadWholeFile(dir / "stderr", &bytes)) run.err.assign(bytes.begin(), bytes.end());
  return run;
}

Outcome ZoltPack(const TempDir& dir, const std::string& arguments) {
  return ZoltPackAt(dir, ZOLT_BINARY_DIR "/zolt-pack", arguments);
}

bool OneMessageLine(const std::string& err) {
  return err.rfind("zolt-pack: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

}  // namespace

TEST(PackCli, BuildInfoExtract) {
  TempDir dir;
  const std::string sample = ZOLT_BINARY_DIR "/sample-1440k.img";
  const std::string exe = dir / "disk.exe";
  // No --stub: the restorer beside zolt-pack.
  Outcome build = ZoltPack(dir, "build --image " + sample + " --format 1.44m -o " + exe);
  ASSERT_EQ(0, build.exitCode) << build.err;
  EXPECT_TRUE(FileExists(exe));

  Outcome info = ZoltPack(dir, "info " + exe);
  ASSERT_EQ(0, info.exitCode) << info.err;
  EXPECT_NE(std::string::npos, info.out.find("magic                 AA 55")) << info.out;
  EXPECT_NE(std::string::npos, info.out.find("catalogue             110 messages")) << info.out;

  Outcome extract = ZoltPack(dir, "extract " + exe + " -o " + (dir / "back.img"));
  ASSERT_EQ(0, extract.exitCode) << extract.err;
  std::vector<uint8_t> original, back;
  ASSERT_TRUE(ReadWholeFile(sample, &original));
  ASSERT_TRUE(ReadWholeFile(dir / "back.img", &back));
  EXPECT_TRUE(original == back);

  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(exe, &file));
  file.resize(file.size() - 200);
  ASSERT_TRUE(WriteWholeFile(dir / "cut.exe", file));
  struct Case {
    std::string arguments;
    int exitCode;
  } failures[] = {
      {"extract " + (dir / "cut.exe") + " -o " + (dir / "cut.img"), 1},
      {"info " + (dir / "cut.exe"), 1},
      {"info " + exe + " --offset 12", 1},
      {"info " + exe + " --offset x", 2},
      {"build --image " + sample + " --colour red -o " + (dir / "x.exe"), 2},
      {"extract " + exe, 2},
  };
  for (const Case& c : failures) {
    Outcome run = ZoltPack(dir, c.arguments);
    EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments;
    EXPECT_TRUE(c.exitCode == 2 || OneMessageLine(run.err)) << c.arguments << ": " << run.err;
  }
  EXPECT_FALSE(FileExists(dir / "cut.img"));
  EXPECT_FALSE(FileExists(dir / "x.exe"));
}

namespace {

bool CopyFile(const std::string& from, const std::string& to) {
  std::vector<uint8_t> bytes;
  return ReadWholeFile(from, &bytes) && WriteWholeFile(to, bytes) && chmod(to.c_str(), 0755) == 0;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::vector<uint8_t> x, y;
  return ReadWholeFile(a, &x) && ReadWholeFile(b, &y) && x == y;
}

}  // namespace

// Every spelling of the options reaches the same build; help and version
// go to stdout with exit 0; misuse ends with 2 and the usage.
TEST(PackCli, OptionSpellings) {
  TempDir dir;
  const std::string sample = ZOLT_BINARY_DIR "/sample-1440k.img";
  const std::string out = dir / "out";
  struct Case {
    std::string arguments;
    int exitCode;
    const char* stdoutHas;  // null: nothing checked
    const char* stderrHas;
  } cases[] = {
      {"build --image " + sample + " -o " + out, 0, "geometry 1.44m", nullptr},
      {"build --image=" + sample + " --output=" + out, 0, "geometry 1.44m", nullptr},
      {"build -o" + out + " -i " + sample + " --format=1.44m", 0, "from the --format name", nullptr},
      {"build -o " + out + " --for=linux --image " + sample, 0, "geometry 1.44m", nullptr},
      {"build -- -o", 2, nullptr, "unexpected argument -o"},
      {"build --help", 0, "--for=PLATFORM", nullptr},
      {"info --help", 0, "Usage: zolt-pack build", nullptr},
      {"--help", 0, "Exit status:", nullptr},
      {"--version", 0, "zolt-pack 4.38\n", nullptr},
      {"build --version", 0, "zolt-pack 4.38\n", nullptr},
      {"build --image", 2, nullptr, "option --image needs a value"},
      {"build -o", 2, nullptr, "option -o needs a value"},
      {"build --image " + sample + " -x -o " + out, 2, nullptr, "unknown option -x"},
      {"build --image " + sample + " --colour=red -o " + out, 2, nullptr, "unknown option --colour=red"},
      {"build --image " + sample + " --image " + sample + " -o " + out, 2, nullptr, "--image is given twice"},
      {"info " + sample + " --image " + sample, 2, nullptr, "--image does not apply to info"},
      {"build --image " + sample + " --for=dos -o " + out, 1, nullptr, "--for takes windows or linux"},
      {"build --image " + sample + " --for linux --stub x -o " + out, 2, nullptr, "exclude each other"},
      {"build --image " + sample + " extra -o " + out, 2, nullptr, "unexpected argument extra"},
  };
  for (const Case& c : cases) {
    unlink(out.c_str());
    Outcome run = ZoltPack(dir, c.arguments);
    EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments << "\n" << run.err;
    if (c.stdoutHas) EXPECT_NE(std::string::npos, run.out.find(c.stdoutHas)) << c.arguments << "\n" << run.out;
    if (c.stderrHas) EXPECT_NE(std::string::npos, run.err.find(c.stderrHas)) << c.arguments << "\n" << run.err;
    if (c.exitCode == 2) EXPECT_NE(std::string::npos, run.err.find("Usage: zolt-pack")) << c.arguments;
    if (c.exitCode == 0 && c.arguments.rfind("build --image", 0) == 0 && c.arguments.find("help") == std::string::npos) {
      EXPECT_TRUE(FileExists(out)) << c.arguments;
    }
    if (c.exitCode != 0) EXPECT_FALSE(FileExists(out)) << c.arguments;
  }
}

// --for picks the restorer beside zolt-pack, else the one installed in
// ../lib/zolt; a missing one is named with the way to build it.
TEST(PackCli, RestorerForEachPlatform) {
  TempDir dir;
  const std::string sample = ZOLT_BINARY_DIR "/sample-1440k.img";
  ASSERT_EQ(0, mkdir((dir / "bin").c_str(), 0755));
  ASSERT_EQ(0, mkdir((dir / "lib").c_str(), 0755));
  ASSERT_EQ(0, mkdir((dir / "lib/zolt").c_str(), 0755));
  const std::string pack = dir / "bin/zolt-pack";
  ASSERT_TRUE(CopyFile(ZOLT_BINARY_DIR "/zolt-pack", pack));

  // Nothing installed: both platforms' restorers are missing.
  Outcome linux = ZoltPackAt(dir, pack, "build --image " + sample + " -o " + (dir / "a"));
  EXPECT_EQ(1, linux.exitCode);
  EXPECT_TRUE(OneMessageLine(linux.err)) << linux.err;
  EXPECT_NE(std::string::npos, linux.err.find("no Linux restorer: neither " + (dir / "bin/zolt") + " nor " +
                                              (dir / "bin/../lib/zolt/zolt")))
      << linux.err;
  Outcome windows = ZoltPackAt(dir, pack, "build --for windows --image " + sample + " -o " + (dir / "a"));
  EXPECT_EQ(1, windows.exitCode);
  EXPECT_NE(std::string::npos, windows.err.find("no Windows restorer: neither " + (dir / "bin/zolt.exe")))
      << windows.err;
  EXPECT_NE(std::string::npos, windows.err.find("cmake --preset win32")) << windows.err;
  EXPECT_FALSE(FileExists(dir / "a"));

  // The restorers where cmake --install puts them: the Linux one beside
  // zolt-pack, the Windows one in lib/zolt. (A copy of the Linux restorer
  // stands in for zolt.exe: what is checked here is which file is taken.)
  ASSERT_TRUE(CopyFile(ZOLT_BINARY_DIR "/zolt", dir / "bin/zolt"));
  ASSERT_TRUE(CopyFile(ZOLT_BINARY_DIR "/zolt", dir / "lib/zolt/zolt.exe"));
  struct Case {
    std::string forOption;
    std::string restorer;
  } cases[] = {
      {"", dir / "bin/zolt"},
      {"--for linux", dir / "bin/zolt"},
      {"--for Windows", dir / "bin/../lib/zolt/zolt.exe"},
  };
  for (const Case& c : cases) {
    Outcome run = ZoltPackAt(dir, pack, "build " + c.forOption + " --image " + sample + " -o " + (dir / "b"));
    EXPECT_EQ(0, run.exitCode) << c.forOption << ": " << run.err;
    EXPECT_NE(std::string::npos, run.out.find("(restorer " + c.restorer + ",")) << c.forOption << ": " << run.out;
  }
  // One beside zolt-pack comes before the installed one.
  ASSERT_TRUE(CopyFile(ZOLT_BINARY_DIR "/zolt", dir / "bin/zolt.exe"));
  Outcome beside = ZoltPackAt(dir, pack, "build --for windows --image " + sample + " -o " + (dir / "b"));
  EXPECT_NE(std::string::npos, beside.out.find("(restorer " + (dir / "bin/zolt.exe") + ",")) << beside.out;
}

// --image takes a block device and reads the medium whole: a loop device
// over the sample stands in for a diskette drive (it needs root and the
// loop driver; elsewhere the test is skipped).
TEST(PackCli, CapturesABlockDevice) {
  if (geteuid() != 0 || access("/dev/loop-control", F_OK) != 0) GTEST_SKIP() << "needs root and loop devices";
  TempDir dir;
  const std::string sample = ZOLT_BINARY_DIR "/sample-1440k.img";
  const std::string copy = dir / "medium.img";
  ASSERT_TRUE(CopyFile(sample, copy));
  const std::string attach = "losetup --find --show --read-only " + copy + " >" + (dir / "loop");
  if (std::system(attach.c_str()) != 0) GTEST_SKIP() << "losetup cannot attach a loop device here";
  std::vector<uint8_t> name;
  ASSERT_TRUE(ReadWholeFile(dir / "loop", &name));
  std::string device(name.begin(), name.end());
  while (!device.empty() && device.back() == '\n') device.pop_back();

  Outcome build = ZoltPack(dir, "build --image " + device + " -o " + (dir / "captured"));
  Outcome extract = ZoltPack(dir, "extract " + (dir / "captured") + " -o " + (dir / "back.img"));
  std::system(("losetup --detach " + device).c_str());
  ASSERT_EQ(0, build.exitCode) << build.err;
  // The geometry comes from the medium's boot sector, as from a file's.
  EXPECT_NE(std::string::npos, build.out.find("geometry 1.44m from the boot sector")) << build.out;
  ASSERT_EQ(0, extract.exitCode) << extract.err;
  EXPECT_TRUE(SameBytes(sample, dir / "back.img"));
}

// -o naming the image or the restorer, by the same name, another path or a
// link, is refused before anything is written: both stay as they were.
TEST(PackCli, BuildRefusesAnOutputThatIsAnInput) {
  TempDir dir;
  std::vector<uint8_t> image, stub;
  ASSERT_TRUE(ReadWholeFile(ZOLT_BINARY_DIR "/sample-1440k.img", &image));
  ASSERT_TRUE(ReadWholeFile(ZOLT_BINARY_DIR "/zolt", &stub));
  ASSERT_TRUE(WriteWholeFile(dir / "disk.img", image));
  ASSERT_TRUE(WriteWholeFile(dir / "zolt", stub));
  ASSERT_EQ(0, std::system(("mkdir " + (dir / "sub") + " && ln " + (dir / "disk.img") + " " + (dir / "hard.img") +
                            " && ln -s " + (dir / "zolt") + " " + (dir / "soft.exe"))
                               .c_str()));
  const std::string build = "build --image " + (dir / "disk.img") + " --stub " + (dir / "zolt") + " -o ";
  const std::string outputs[] = {dir / "disk.img", dir / "sub/../disk.img", dir / "hard.img",
                                 dir / "zolt",     dir / "sub/../zolt",     dir / "soft.exe"};
  for (const std::string& output : outputs) {
    Outcome run = ZoltPack(dir, build + output);
    EXPECT_EQ(1, run.exitCode) << output;
    EXPECT_TRUE(OneMessageLine(run.err)) << output << ": " << run.err;
    EXPECT_NE(std::string::npos, run.err.find("itself")) << run.err;
    std::vector<uint8_t> now;
    ASSERT_TRUE(ReadWholeFile(dir / "disk.img", &now));
    EXPECT_TRUE(now == image) << output << ": the image was replaced";
    ASSERT_TRUE(ReadWholeFile(dir / "zolt", &now));
    EXPECT_TRUE(now == stub) << output << ": the restorer was replaced";
  }
  // Another file beside them is built as before.
  EXPECT_EQ(0, ZoltPack(dir, build + (dir / "disk.exe")).exitCode);
}

// A packed file whose header gives a deflate length past the end of the
// file: extract restores it, as the restorer does, with a warning, as long
// as the stream ends within the file and its checksum matches.
TEST(PackCli, ExtractReadsADeflateLengthPastTheEnd) {
  TempDir dir;
  const std::string sample = ZOLT_BINARY_DIR "/sample-1440k.img";
  ASSERT_EQ(0, ZoltPack(dir, "build --image " + sample + " -o " + (dir / "disk.exe")).exitCode);
  std::vector<uint8_t> file, stub, original, back;
  ASSERT_TRUE(ReadWholeFile(dir / "disk.exe", &file));
  ASSERT_TRUE(ReadWholeFile(ZOLT_BINARY_DIR "/zolt", &stub));
  ASSERT_TRUE(ReadWholeFile(sample, &original));
  const size_t lengthAt = stub.size() + 38;  // the header's deflate length
  const uint32_t length = uint32_t(file[lengthAt]) | uint32_t(file[lengthAt + 1]) << 8 |
                          uint32_t(file[lengthAt + 2]) << 16 | uint32_t(file[lengthAt + 3]) << 24;
  const uint32_t longer = length + 5000;
  for (int i = 0; i < 4; ++i) file[lengthAt + i] = uint8_t(longer >> (8 * i));
  ASSERT_TRUE(WriteWholeFile(dir / "long.exe", file));
  Outcome run = ZoltPack(dir, "extract " + (dir / "long.exe") + " -o " + (dir / "back.img"));
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("zolt-pack: warning: the header gives a deflate stream of " +
                                            std::to_string(longer) + " bytes"))
      << run.err;
  ASSERT_TRUE(ReadWholeFile(dir / "back.img", &back));
  EXPECT_TRUE(original == back);

  // The same with a checksum that does not match: refused, nothing written.
  file[stub.size() + 42 + 5] ^= 0x01;  // the checksum record's CRC-32
  ASSERT_TRUE(WriteWholeFile(dir / "bad.exe", file));
  run = ZoltPack(dir, "extract " + (dir / "bad.exe") + " -o " + (dir / "bad.img"));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("CRC mismatch")) << run.err;
  EXPECT_FALSE(FileExists(dir / "bad.img"));
}
