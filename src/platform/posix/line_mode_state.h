// The state of the line-mode front end, shared by its output side
// (line_mode.cpp) and its command reader (line_mode_reader.cpp).
#ifndef ZOLT_PLATFORM_POSIX_LINE_MODE_STATE_H
#define ZOLT_PLATFORM_POSIX_LINE_MODE_STATE_H

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/posix/line_mode.h"

// One line mode. Never freed: its reader may still run (blocked reading
// its input) after a newer line mode has replaced it, or while the process
// ends.
struct LineModeState {
  LineModeSettings settings;
  std::thread reader;
  std::atomic<bool> readerStarted{false};
  std::atomic<uint64_t> dialogsShown{0};  // dialogs shown while this line mode served
};

// The line mode in use: the latest one, while line mode is the installed
// front end; null otherwise.
LineModeState* ActiveLineMode();

// The reader thread's body: reads and carries out the commands of `mode`.
void RunLineModeReader(LineModeState* mode);

#endif
