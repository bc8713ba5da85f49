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
