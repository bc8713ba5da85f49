// kernel32/ stands in for kernel32.dll: the handle table and the kernel
// objects (threads, semaphores, waits), global memory, the file attribute
// and file name calls, the module, the version, the clock and Beep, the last
// error, the standard streams, and the stand-in's settings (ZOLT_WINDOWS,
// ZOLT_CLOCK, ZOLT_DRIVES and ZOLT_TRACE, read at start) with the process
// entry. Its interface for the other folders: this header (for all of
// them), handles.h, kernel_sync.h and standard_streams.h; of what this
// header declares, ParseDriveSetting is the drive table's (devices/) and
// AnsiToUtf8 the code pages' (user32/). It uses devices/device_trace.h
// (ZOLT_TRACE) and front_ends/terminal.h.
//
// Internal interface of the POSIX stand-in: its configuration from the
// environment (like a Windows installation's own settings) and its loud
// failure for calls outside the subset. Not seen by the program logic.
#ifndef ZOLT_PLATFORM_POSIX_STANDIN_H
#define ZOLT_PLATFORM_POSIX_STANDIN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads ZOLT_WINDOWS, ZOLT_DRIVES, ZOLT_CLOCK and ZOLT_TRACE. Returns true when all are
// valid; otherwise stores a message naming the bad value or entry in `error`.
// Called by main() before WinMain so that a bad setting is an error at start.
bool LoadStandInConfiguration(std::string* error);

// Parses a ZOLT_WINDOWS value ("nt", "9x" or "MAJOR.MINOR").
bool ParseWindowsSetting(const char* value, std::string* error);

// ZOLT_WINDOWS=9x: the Windows platform, whose kernel lacks the NT-only
// calls.
bool StandInWindows9x();

// Parses a ZOLT_DRIVES value into the drive table (replacing it). An empty
// or null value means: the drives of this machine.
bool ParseDriveSetting(const char* value, std::string* error);

// Threads. True when every thread started with CreateThread has ended, is
// blocked in a wait without time limit (WaitForSingleObject with INFINITE)
// or waits for input in a modal dialog's loop (a print thread showing the
// print dialog): those threads will do nothing more by themselves. With
// the dialog threads' queues empty, the dialog manager's line mode takes
// this to mean that the end of input may press "Quit", and that a disabled
// button will not become enabled.
bool StandInCreatedThreadsIdle();

// The same for the threads that CreateThread started from the moment
// StandInNextCreatedThread was called: the line mode waits for the threads
// a command started (a print thread) to settle before the next command.
uint64_t StandInNextCreatedThread();
bool StandInCreatedThreadsIdleSince(uint64_t first);

// ZOLT_CLOCK=virtual: Sleep returns at once.
bool StandInVirtualClock();

// Parses a ZOLT_CLOCK value: unset, empty or "real" (pauses take their
// time) or "virtual" (pauses return at once and GetTickCount moves on by
// their length). Read lazily from the environment when never called.
bool ParseClockSetting(const char* value, std::string* error);

// Sets the clock mode directly (tests).
void SetStandInVirtualClock(bool on);

// A pause of the calling thread that follows the clock mode (Sleep, Beep).
void StandInPause(uint32_t milliseconds);

// The stack that CreateThread gives a thread asking for `requested` bytes
// (not 0): at least the host's minimum, whole pages, and eight times that
// in a build with AddressSanitizer or ThreadSanitizer.
size_t StandInThreadStackSize(size_t requested);

// The sounds made by Beep and MessageBeep, in order.
enum BeepKind { kBeepTone, kBeepMessage };
struct BeepEvent {
  BeepKind kind;
  uint32_t frequency;  // Beep: hertz
  uint32_t duration;   // Beep: milliseconds
  uint32_t type;       // MessageBeep: MB_OK, MB_ICONEXCLAMATION, ...
};

// Returns the sounds made since the last call and forgets them.
std::vector<BeepEvent> TakeBeepRecord();

// The program file that GetModuleFileNameA reports, for tests that run the
// program's start-up in their own process; null or empty: the running
// program itself.
void SetStandInModuleFileName(const char* path);

// A call or an argument outside the subset: names it on stderr and aborts.
[[noreturn]] void StandInUnsupported(const char* call, const char* what);

// Windows-1252 text (what the program shows) as UTF-8 for the terminal.
std::string AnsiToUtf8(const char* text);

#endif
