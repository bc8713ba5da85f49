// Internal interface of the POSIX stand-in: its configuration from the
// environment (like a Windows installation's own settings) and its loud
// failure for calls outside the subset. Not seen by the program logic.
#ifndef ZOLT_PLATFORM_POSIX_STANDIN_H
#define ZOLT_PLATFORM_POSIX_STANDIN_H

#include <string>

// Reads ZOLT_WINDOWS and ZOLT_DRIVES. Returns true when both are valid;
// otherwise stores a message naming the bad value or entry in `error`.
// Called by main() before WinMain so that a bad setting is an error at start.
bool LoadStandInConfiguration(std::string* error);

// Parses a ZOLT_WINDOWS value ("nt", "9x" or "MAJOR.MINOR").
bool ParseWindowsSetting(const char* value, std::string* error);

// Parses a ZOLT_DRIVES value into the drive table (replacing it). An empty
// or null value means: the drives of this machine.
bool ParseDriveSetting(const char* value, std::string* error);

// A call or an argument outside the subset: names it on stderr and aborts.
[[noreturn]] void StandInUnsupported(const char* call, const char* what);

// Windows-1252 text (what the program shows) as UTF-8 for the terminal.
std::string AnsiToUtf8(const char* text);

#endif
