// The state of the line-mode front end, shared by its output side
// (line_mode.cpp) and its command reader (line_mode_reader.cpp).
#ifndef ZOLT_PLATFORM_POSIX_LINE_MODE_STATE_H
#define ZOLT_PLATFORM_POSIX_LINE_MODE_STATE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "front_ends/line_mode.h"

// One line mode. Never freed: its reader may still run (blocked reading
// its input) after a newer line mode has replaced it, or while the process
// ends. The reader thread is detached, since the process may end while it
// is blocked; its end is signalled instead.
struct LineModeState {
  LineModeSettings settings;
  LineModeState* previous = nullptr;  // the line mode this one replaced, still reachable
  std::atomic<bool> readerStarted{false};
  std::mutex endLock;
  std::condition_variable readerEnd;
  bool readerEnded = false;  // under endLock
  std::atomic<uint64_t> dialogsShown{0};  // dialogs shown while this line mode served
};

// The line mode in use: the latest one, while line mode is the installed
// front end; null otherwise.
LineModeState* ActiveLineMode();

// The reader thread's body: reads and carries out the commands of `mode`.
void RunLineModeReader(LineModeState* mode);

#endif
