// The Linux build's command line: the arguments as the shell passed them,
// each read with the Windows grammar (command_line.h), and around it what
// users of Linux tools expect: --help and --version, a block device's path
// as the target drive, paths never taken for options, and a usage error
// for anything else.
#ifndef ZOLT_APP_LINUX_ARGUMENTS_H
#define ZOLT_APP_LINUX_ARGUMENTS_H

#include <string>
#include <vector>

// What the arguments ask for.
enum class LinuxRequest {
  kRun,         // restore (or convert, or check) with `windowsArguments`
  kHelp,        // --help: the help text on stdout, exit 0
  kVersion,     // --version: the version on stdout, exit 0
  kUsageError,  // an argument that is no drive, device or option: exit 2
  kRefused,     // a device that is never written: exit with `exitCode`
};

struct LinuxArguments {
  LinuxRequest request = LinuxRequest::kRun;
  // The arguments for ApplyArguments: options as they were given, and
  // each device as the drive letter it has ("b:").
  std::vector<std::string> windowsArguments;
  std::string message;  // kUsageError, kRefused: what stderr says, one line
  int exitCode = 0;     // kUsageError 2, kRefused the drive's code
};

// The process's exit code for a usage error.
constexpr int kUsageErrorExit = 2;

// Reads the arguments (without the program's name). A block device that
// no drive letter stands for yet gets the first free one (DefineDosDeviceA);
// nothing else is done: no file is made, no device opened.
LinuxArguments ReadLinuxArguments(int argc, char* const argv[]);

// The help text of --help (usage, options, settings, line-mode commands,
// exit codes) and the version line of --version; linux_help.cpp.
extern const char kLinuxHelpText[];
extern const char kLinuxVersionText[];

#endif
