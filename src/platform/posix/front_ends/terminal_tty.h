// The terminal itself, for the full-screen front end: taking it over
// (curses in full-screen mode, the signals that concern it) and giving it
// back as the person had it, whichever way the process ends.
//
// While the screen is the front end's, the process's own writes to
// standard output and to standard error (when that is the terminal too)
// would land in the middle of the dialogs, so they are held in a file of
// their own and written out, in order, when the terminal is given back.
//
// Signals: a change of the terminal's size wakes the terminal thread;
// Ctrl+Z is ignored (a dialog program does not stop half-way through
// writing a diskette); a signal that ends the process (Ctrl+C, a hang-up,
// an abort such as the stand-in's for a call outside its subset, a crash)
// first gives the terminal back and writes out what was held, with
// async-signal-safe calls only, then ends the process as it would have.
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_TTY_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_TTY_H

// Takes the terminal of standard input and output. False, with everything
// as it was, when it cannot (curses knows no such terminal).
bool TakeTerminal();

// The descriptors the terminal thread waits on: the keys, and the wake-ups.
int TerminalKeysDescriptor();
int TerminalWakeDescriptor();

// Wakes the terminal thread; from any thread (and from a signal handler).
void WakeTerminalThread();

// Empties the wake-ups, once the terminal thread is awake.
void TakeTerminalWakeUps();

// Tells curses the terminal's size when it changed since the last look;
// true when it did. On the terminal thread.
bool FollowTerminalSize();

// Gives the terminal back: the screen as it was before, the terminal's
// modes, and the held output written out. On the terminal thread (or
// wherever curses is no longer used); once, later calls do nothing.
void GiveTerminalBack();

// A failed call of the terminal thread that leaves it unable to go on:
// gives the terminal back, names the call and its error on standard error
// and aborts.
[[noreturn]] void TerminalFailed(const char* call);

#endif
