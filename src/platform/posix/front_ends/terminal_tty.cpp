// Taking the terminal over and giving it back (see terminal_tty.h).
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "front_ends/terminal.h"
#include "front_ends/terminal_draw.h"
#include "front_ends/terminal_text.h"
#include "front_ends/terminal_tty.h"

namespace {

// How long curses waits, after an Esc, for the rest of a key's sequence:
// long enough for a sequence sent in one write (Alt+letter, an arrow), short
// enough that Esc itself answers at once.
const int kEscapeMilliseconds = 25;

// The signals that end the process and must give the terminal back first.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// An output of the process held while the screen is the front end's.
struct HeldOutput {
  int descriptor = -1;  // 1 or 2, pointed at `file` meanwhile
  int original = -1;    // a copy of what it pointed at before
  int file = -1;        // the holding file
};

// The handlers of the ending signals act only once `taken` is set, and
// everything they read is set before it and not changed after, so that
// they may read it without a lock.
struct Terminal {
  std::atomic<bool> taken{false};
  std::atomic<bool> givenBack{false};
  int screenOutput = -1;  // our copy of standard output, where curses writes
  FILE* screenFile = nullptr;
  SCREEN* screen = nullptr;
  int wake[2] = {-1, -1};
  struct termios modes;   // the terminal's modes before curses changed them
  char leave[256];        // the sequence that leaves the full screen
  size_t leaveLength = 0;
  HeldOutput held[2];
  int heldCount = 0;
  int lastRows = 0, lastColumns = 0;
};

Terminal terminal;

// --- Async-signal-safe helpers -------------------------------------------------

void WriteAll(int descriptor, const char* bytes, size_t length) {
  while (length > 0) {
    ssize_t wrote = write(descriptor, bytes, length);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;  // nowhere left to write to: nothing more can be done
    bytes += wrote;
    length -= size_t(wrote);
  }
}

// Points the held outputs back where they were and copies what they held
// there.
void ReleaseHeldOutputs() {
  for (int i = 0; i < terminal.heldCount; ++i) {
    HeldOutput& output = terminal.held[i];
    if (dup2(output.original, output.descriptor) < 0) continue;  // it keeps going to the file
    if (lseek(output.file, 0, SEEK_SET) < 0) continue;
    char buffer[4096];
    for (;;) {
      ssize_t got = read(output.file, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      WriteAll(output.descriptor, buffer, size_t(got));
    }
  }
}

void OnSizeChange(int) {
  int saved = errno;
  WakeTerminalThread();
  errno = saved;
}

void OnEndingSignal(int signal) {
  if (terminal.taken && !terminal.givenBack.exchange(true)) {
    // The modes and the sequence, not curses: curses is not safe here.
    tcsetattr(terminal.screenOutput, TCSANOW, &terminal.modes);
    WriteAll(terminal.screenOutput, terminal.leave, terminal.leaveLength);
    ReleaseHeldOutputs();
  }
  // The handler was reset to the default when it ran (SA_RESETHAND): the
  // signal, delivered again once this returns, ends the process.
  raise(signal);
}

// --- Taking the terminal ---------------------------------------------------------

// Adds a terminfo string capability to the leaving sequence.
void AddToLeave(const char* capability) {
  char* value = tigetstr(capability);
  if (value == nullptr || value == (char*)-1) return;  // the terminal has no such step
  size_t length = strlen(value);
  if (terminal.leaveLength + length > sizeof terminal.leave) return;
  memcpy(terminal.leave + terminal.leaveLength, value, length);
  terminal.leaveLength += length;
}

bool InstallHandler(int signal, void (*handler)(int), int flags) {
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  action.sa_flags = flags;
  return sigemptyset(&action.sa_mask) == 0 && sigaction(signal, &action, nullptr) == 0;
}

// Installed before curses starts, so that curses keeps its own handlers
// out (it installs them only over the default ones).
bool InstallHandlers() {
  bool installed = InstallHandler(SIGWINCH, OnSizeChange, SA_RESTART) && InstallHandler(SIGTSTP, SIG_IGN, 0);
  for (int signal : kEndingSignals) installed = installed && InstallHandler(signal, OnEndingSignal, SA_RESETHAND);
  return installed;
}

void RemoveHandlers() {
  // Back to the defaults the process started with; nothing to do if that
  // fails as well.
  signal(SIGWINCH, SIG_DFL);
  signal(SIGTSTP, SIG_DFL);
  for (int each : kEndingSignals) signal(each, SIG_DFL);
}

bool HoldOutput(int descriptor) {
  HeldOutput output;
  output.descriptor = descriptor;
  FILE* file = tmpfile();
  if (file == nullptr) return false;
  output.file = fileno(file);  // the FILE is never closed: the descriptor lives to the end
  output.original = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
  if (output.original < 0) return false;
  if (dup2(output.file, descriptor) < 0) {
    close(output.original);
    return false;
  }
  terminal.held[terminal.heldCount++] = output;
  return true;
}

// Curses gives the terminal's modes back; should it fail to, the modes
// saved before it started serve. (Should that fail too, nothing is left
// to try: here and below, tcsetattr is the last resort.)
void StopCurses() {
  if (endwin() == ERR) tcsetattr(terminal.screenOutput, TCSANOW, &terminal.modes);
}

bool StartCurses() {
  terminal.screenFile = fdopen(terminal.screenOutput, "w");
  if (terminal.screenFile == nullptr) return false;
  terminal.screen = newterm(nullptr, terminal.screenFile, stdin);
  if (terminal.screen == nullptr) return false;
  // A terminal that cannot move its cursor (a "dumb" one) cannot show a
  // dialog; line mode serves it better.
  char* moveCursor = tigetstr("cup");
  if (moveCursor == nullptr || moveCursor == (char*)-1) {
    StopCurses();
    return false;
  }
  if (cbreak() == ERR || noecho() == ERR || nonl() == ERR || keypad(stdscr, TRUE) == ERR ||
      nodelay(stdscr, TRUE) == ERR || set_escdelay(kEscapeMilliseconds) == ERR) {
    StopCurses();
    return false;
  }
  AddToLeave("sgr0");
  AddToLeave("cnorm");
  AddToLeave("rmkx");
  AddToLeave("rmcup");
  StartColours();
  terminal.lastRows = LINES;
  terminal.lastColumns = COLS;
  return true;
}

void Undo() {
  RemoveHandlers();
  ReleaseHeldOutputs();  // nothing was written to them yet
  terminal.heldCount = 0;
  if (terminal.screen != nullptr) delscreen(terminal.screen);
  terminal.screen = nullptr;
  if (terminal.screenFile != nullptr) fclose(terminal.screenFile);  // closes screenOutput too
  else if (terminal.screenOutput >= 0) close(terminal.screenOutput);
  terminal.screenFile = nullptr;
  terminal.screenOutput = -1;
  for (int end : terminal.wake)
    if (end >= 0) close(end);
  terminal.wake[0] = terminal.wake[1] = -1;
}

}  // namespace

bool TakeTerminal() {
  if (terminal.taken) return true;
  // The characters the terminal shows are those of the person's locale.
  // Only the character type is taken from it, so that nothing of the
  // program's own formatting changes; a locale that this machine lacks
  // leaves "C", and the screen then shows ASCII.
  const char* locale = setlocale(LC_CTYPE, "");
  SetScreenShowsUnicode(locale != nullptr && strcmp(nl_langinfo(CODESET), "UTF-8") == 0);

  if (tcgetattr(STDIN_FILENO, &terminal.modes) != 0) return false;
  if (pipe2(terminal.wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  terminal.screenOutput = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  // The process's writes are held from before curses draws: curses writes
  // to its own copy of standard output.
  fflush(stdout);
  fflush(stderr);
  bool taken = terminal.screenOutput >= 0 && HoldOutput(STDOUT_FILENO) &&
               (!isatty(STDERR_FILENO) || HoldOutput(STDERR_FILENO)) && InstallHandlers() && StartCurses();
  if (!taken) {
    Undo();
    return false;
  }
  terminal.taken = true;
  return true;
}

bool TerminalTaken() { return terminal.taken && !terminal.givenBack; }

int TerminalKeysDescriptor() { return STDIN_FILENO; }

int TerminalWakeDescriptor() { return terminal.wake[0]; }

void WakeTerminalThread() {
  if (terminal.wake[1] < 0) return;
  char byte = 'w';
  // A full pipe already holds a wake-up; EAGAIN is as good as a write.
  ssize_t wrote = write(terminal.wake[1], &byte, 1);
  (void)wrote;
}

void TakeTerminalWakeUps() {
  char buffer[64];
  while (read(terminal.wake[0], buffer, sizeof buffer) > 0) {
  }
}

bool FollowTerminalSize() {
  struct winsize size;
  if (ioctl(terminal.screenOutput, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0)
    return false;  // a terminal that does not tell its size keeps the last one
  if (size.ws_row == terminal.lastRows && size.ws_col == terminal.lastColumns) return false;
  if (resizeterm(size.ws_row, size.ws_col) == ERR) TerminalFailed("resizeterm");
  terminal.lastRows = size.ws_row;
  terminal.lastColumns = size.ws_col;
  return true;
}

void GiveTerminalBack() {
  if (!terminal.taken || terminal.givenBack.exchange(true)) return;
  if (endwin() == ERR) {
    // Curses could not: the modes and the sequence as the signals do.
    tcsetattr(terminal.screenOutput, TCSANOW, &terminal.modes);
    WriteAll(terminal.screenOutput, terminal.leave, terminal.leaveLength);
  }
  fflush(stdout);
  fflush(stderr);
  ReleaseHeldOutputs();
}

void TerminalFailed(const char* call) {
  int error = errno;
  GiveTerminalBack();
  fprintf(stderr, "zolt: terminal: %s failed: %s\n", call, strerror(error));
  abort();
}
