// The line-mode front end: the dialogs as plain lines of text, driven by
// commands one a line. It is what serves when the standard streams are not
// a terminal (a script, a pipe, a test).
//
// Standard output carries exactly the lines added to the message list, each
// written at once as one line in UTF-8. Standard error carries everything
// else in UTF-8: message boxes ("caption: text"), the texts of a dialog
// that asks a question, and the refusals of commands.
//
// Commands, read by a thread of their own, act on the dialog shown last:
//   ok, test only, cancel, quit, help, print label, print message,
//   print data, yes, no
//                  press the button whose caption in the dialog's template
//                  (the resource script), without its "&", is the command
//                  (in any case): the command finds the same control (the
//                  same id) whatever caption the program has set on it,
//                  even an empty one
//   password TEXT  types TEXT into the password field (cut at its limit)
//   drive X        chooses "X:" in the drive list
// A dialog that asks for a text of its own (an edit field that is not a
// password, and no message list) takes the next line whole (cut, and said
// so, at the field's limit) and is confirmed with Enter: the file to print
// to, and the print dialog (PrintDlgA), whose line is a printer's name,
// "FILE:" or nothing for the printer it offers first, optionally followed
// by " xN" for N copies, or "cancel". A line that is no command waits for
// such a dialog (it may be on its way, from a thread still starting) and
// is an unknown command once the process is quiescent without one.
//
// A command waits, as a person would, until its button (or field, or list)
// is enabled and visible, so a script needs no pauses. It is refused, with
// a line on standard error, when the process has become quiescent and it
// still cannot be done: the threads started with CreateThread are idle
// (StandInCreatedThreadsIdle), every dialog thread waits in its loop with
// nothing to handle, and both hold on two checks a few milliseconds apart.
// After each command the reader waits until the dialog threads have handled
// it, and the threads it started (a print thread) or resumed (the thread
// whose dialog it answered) are idle or ended, so that the dialog such a
// thread shows next takes the next line. At the end of input the button that "quit" presses is pressed as soon
// as the process is quiescent; a dialog without one gets Esc.
#ifndef ZOLT_PLATFORM_POSIX_LINE_MODE_H
#define ZOLT_PLATFORM_POSIX_LINE_MODE_H

#include <cstdio>

#include "front_ends/front_end.h"

struct LineModeSettings {
  int input;                     // file descriptor of the commands
  FILE* output;                  // the message-list lines
  FILE* errors;                  // everything else
  bool (*createdThreadsIdle)();  // StandInCreatedThreadsIdle, or a test's view of its helper threads
};

// A line mode over `settings`, to install with SetFrontEnd. It replaces any
// earlier line mode: a reader still running for that one stops acting.
// The reader thread starts when the first dialog is shown.
const FrontEnd* LineModeFrontEnd(const LineModeSettings& settings);

// Waits until the reader of the current line mode has ended: its input is
// at its end and the dialogs it saw are gone. For tests.
void JoinLineModeReader();

#endif
