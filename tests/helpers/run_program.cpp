// Running built programs from tests.
#include "helpers/run_program.h"

#include <sys/wait.h>

#include <cstdio>
#include <vector>

#include "helpers/test_files.h"

namespace {
std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes;
  ReadWholeFile(path, &bytes);
  return std::string(bytes.begin(), bytes.end());
}
}  // namespace

ProgramResult RunProgram(const std::string& command, const std::string& input) {
  TempDir dir;
  WriteWholeFile(dir / "in", std::vector<uint8_t>(input.begin(), input.end()));
  std::string line = "( " + command + " ) <" + dir / "in" + " >" + dir / "out" + " 2>" + dir / "err";
  int status = system(line.c_str());
  ProgramResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadText(dir / "out");
  result.err = ReadText(dir / "err");
  return result;
}

std::string BuiltProgram(const char* name) { return std::string(ZOLT_BINARY_DIR) + "/" + name; }
