// Start-up on the process's first thread: the Windows version check, the
// command line, and the run of the program; returns the exit code.
#ifndef ZOLT_APP_STARTUP_H
#define ZOLT_APP_STARTUP_H

#include "platform/win32.h"

extern const char kVersionRefusedText[];
extern const char kVersionRefusedCaption[];

// Asks the system version: sets isNT and returns true for a major version
// of 4, 5 or 6; otherwise shows the refusal in a message box and returns
// false.
bool CheckWindowsVersion();

// The whole process: returns errorCode or'ed with userStopped, or -1 when
// the Windows version is refused. The command line is split as Windows
// programs of its time split it (command_line.h).
int RunRestorer(HINSTANCE instance, char* commandLine);

// The same over arguments already split, each applied as one argument.
int RunRestorerWithArguments(HINSTANCE instance, int argc, char* argv[]);

#endif
