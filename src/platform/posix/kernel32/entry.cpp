// The process entry on POSIX: checks the stand-in's settings, then calls
// WinMain with the command line less the program name, the arguments joined
// by single spaces as Windows would pass them, and with __argc and __argv
// holding the arguments as they came.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "front_ends/terminal.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"

int __argc = 0;
char** __argv = nullptr;

int main(int argc, char** argv) {
  __argc = argc;
  __argv = argv;
  std::string error;
  if (!LoadStandInConfiguration(&error)) {
    fprintf(stderr, "zolt: %s\n", error.c_str());
    return ERROR_INVALID_PARAMETER;
  }
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  std::vector<char> commandLine(line.begin(), line.end());
  commandLine.push_back('\0');
  static char programInstance;
  int code = WinMain((HINSTANCE)&programInstance, nullptr, commandLine.data(), 1);
  // The process ends with its first thread, as on Windows: other threads
  // (a worker still waiting for the user) end with it, and nothing runs
  // static destructors under their feet. A full-screen front end gives
  // the terminal back first.
  EndTerminalFrontEnd();
  fflush(nullptr);
  _exit(code & 0xFF);
}
