// The full-screen terminal front end: the dialogs drawn with curses when
// standard input and output are both a terminal, worked with the keys as a
// person works a dialog on Windows.
//
// The screen: the dialog shown first fills it under its title, each visible
// control at its dialog-unit rectangle scaled to the terminal (80 x 24 and
// larger), the progress bar in the band the program draws it in; a
// question or the print-to-file dialog is a box centred over it; a message
// box is a box over everything. It is drawn again on every change the
// dialog manager reports, every drawing of the program, and every change
// of the terminal's size. What each control looks like: terminal_draw.h.
//
// The keys, on the dialog on top (a message box, while one shows, takes
// Enter, Esc or Space to answer OK and nothing else):
//   Tab, Shift+Tab   the keyboard focus to the next or previous tab stop
//   Enter            presses the focused button; otherwise the default
//                    button when it is enabled (in the question, "No")
//   Space            presses the focused button
//   Esc              command IDCANCEL to the dialog, whatever its buttons
//   Alt+letter       presses the enabled, visible button with that
//                    mnemonic (also Meta+letter, or Esc then the letter)
//   a letter         the same, unless the focus is in an edit (the letter
//                    is typed there) or in the drive list (it chooses the
//                    drive of that letter, if there is one)
//   typing           goes to the focused edit, up to its limit; a
//                    password shows '*' for each character; Backspace
//                    takes the last one back. A selected text (shown
//                    reversed; an edit reached by Tab, or selected by the
//                    program) is replaced by what is typed, or erased by
//                    Backspace
//   arrows, Home, End  in the focused drive list, the previous, next,
//                    first or last drive; elsewhere they scroll the
//                    message list (Up and Down a line, Left and Right
//                    sideways, Home the oldest lines, End the newest)
//   PgUp, PgDn       scroll the message list a page back or on
//   Ctrl+L           draws the whole screen again
// A new line in the message list scrolls it to the newest lines, as the
// program asks.
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_H

#include "front_ends/front_end.h"

// Takes the terminal of standard input and output and returns the front
// end to install; null when the terminal cannot be used full-screen (curses
// knows no such terminal), everything then as it was.
const FrontEnd* TerminalFrontEnd();

// Whether the terminal is taken and not yet given back; meanwhile
// GetStdHandle gives the program no handle (the screen is the front end's).
bool TerminalTaken();

// The process ends (the POSIX entry calls this after WinMain): gives the
// terminal back as the person had it, when this front end took it. Waits
// for the terminal thread to finish its drawing first.
void EndTerminalFrontEnd();

#endif
