// The zolt-pack program itself: its commands, exit codes and the one-line
// "zolt-pack: " message on failure.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

struct Outcome {
  int exitCode;
  std::string out, err;
};

// Runs zolt-pack with `arguments` (already quoted for the shell).
Outcome ZoltPack(const TempDir& dir, const std::string& arguments) {
  const std::string command = std::string(ZOLT_BINARY_DIR "/zolt-pack ") + arguments + " >" + (dir / "stdout") +
                              " 2>" + (dir / "stderr");
  const int status = std::system(command.c_str());
  Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ""};
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(dir / "stdout", &bytes)) run.out.assign(bytes.begin(), bytes.end());
  if (ReadWholeFile(dir / "stderr", &bytes)) run.err.assign(bytes.begin(), bytes.end());
  return run;
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
