// The command line: split in place into at most 25 arguments, then applied
// to AppState in order. Each argument is tried as a drive ("d:") and then as
// an option ("/" or "-" and a letter; only the second character selects).
#ifndef ZOLT_APP_COMMAND_LINE_H
#define ZOLT_APP_COMMAND_LINE_H

#include "app/app_state.h"

// Splits `line` in place: only the space separates arguments (tabs and
// quotes are ordinary characters); the first space after an argument becomes
// its terminating NUL. Stores at most kMaxArguments argument pointers in
// `argv` and returns their number; the rest of the line is ignored.
int SplitCommandLine(char* line, char* argv[kMaxArguments]);

// Applies the arguments to AppState: the drive (checked with GetDriveTypeA),
// /F, /D=file (opened for writing at once), /H and /?, /I, /Q, /Tn. Anything
// else is ignored without a message.
void ApplyArguments(int argc, char* argv[]);

#endif
