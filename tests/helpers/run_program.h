// Running a built program (the restorer or the builder) from a test: a
// command line through /bin/sh with its own environment assignments, with
// stdin from a string and stdout and stderr captured.
#ifndef ZOLT_TESTS_RUN_PROGRAM_H
#define ZOLT_TESTS_RUN_PROGRAM_H

#include <string>

struct ProgramResult {
  int exitCode;      // the process's exit status, or -1 when it did not exit
  std::string out;   // standard output
  std::string err;   // standard error
};

// Runs `command` (a shell command line) with `input` on its standard input.
ProgramResult RunProgram(const std::string& command, const std::string& input = "");

// The path of a binary in the build folder.
std::string BuiltProgram(const char* name);

#endif
