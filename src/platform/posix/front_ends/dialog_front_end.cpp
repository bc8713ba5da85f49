// Which front end shows the dialogs: chosen on first use by the standard
// streams, or installed by a test.
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "front_ends/front_end.h"
#include "front_ends/line_mode.h"
#include "front_ends/terminal.h"
#include "kernel32/standin.h"

namespace {

std::mutex* const frontEndLock = new std::mutex;
const FrontEnd* current = nullptr;

}  // namespace

const FrontEnd* ChooseFrontEnd(bool stdinIsTerminal, bool stdoutIsTerminal) {
  // The full-screen front end when both streams are a terminal that curses
  // knows; line mode otherwise.
  if (stdinIsTerminal && stdoutIsTerminal)
    if (const FrontEnd* terminal = TerminalFrontEnd()) return terminal;
  LineModeSettings settings;
  settings.input = STDIN_FILENO;
  settings.output = stdout;
  settings.errors = stderr;
  settings.createdThreadsIdle = StandInCreatedThreadsIdle;
  return LineModeFrontEnd(settings);
}

const FrontEnd* CurrentFrontEnd() {
  const FrontEnd* chosen = nullptr;
  {
    std::lock_guard<std::mutex> hold(*frontEndLock);
    if (current != nullptr) return current;
    current = chosen = ChooseFrontEnd(isatty(STDIN_FILENO) != 0, isatty(STDOUT_FILENO) != 0);
  }
  if (chosen->startInput != nullptr) chosen->startInput();
  return chosen;
}

const FrontEnd* InstalledFrontEnd() {
  std::lock_guard<std::mutex> hold(*frontEndLock);
  return current;
}

void SetFrontEnd(const FrontEnd* frontEnd) {
  {
    std::lock_guard<std::mutex> hold(*frontEndLock);
    current = frontEnd;
  }
  if (frontEnd != nullptr && frontEnd->startInput != nullptr) frontEnd->startInput();
}
