// The process entry of the Linux build. The stand-in's main() passes the
// arguments as the shell gave them (__argv), so that a path with a space
// stays one argument; the Windows grammar then reads each of them.
#include <cstdio>
#include <vector>

#include "app/linux_arguments.h"
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const LinuxArguments arguments = ReadLinuxArguments(__argc > 0 ? __argc - 1 : 0, __argv + 1);
  switch (arguments.request) {
    case LinuxRequest::kHelp:
      fputs(kLinuxHelpText, stdout);
      return fflush(stdout) == 0 ? 0 : 1;
    case LinuxRequest::kVersion:
      fputs(kLinuxVersionText, stdout);
      return fflush(stdout) == 0 ? 0 : 1;
    case LinuxRequest::kUsageError:
      fprintf(stderr, "zolt: %s\nTry 'zolt --help' for more information.\n", arguments.message.c_str());
      return arguments.exitCode;
    case LinuxRequest::kRefused:
      fprintf(stderr, "zolt: %s\n", arguments.message.c_str());
      return arguments.exitCode;
    case LinuxRequest::kRun:
      break;
  }
  // The option /D= keeps a pointer to its file name for the whole run.
  static std::vector<std::string> kept;
  kept = arguments.windowsArguments;
  std::vector<char*> argv;
  for (std::string& each : kept) argv.push_back(&each[0]);
  argv.push_back(nullptr);
  return RunRestorerWithArguments(instance, int(kept.size()), argv.data());
}
