// front_ends/ is this port's own: what shows the dialogs to a person or a
// script, the full-screen terminal front end and line mode. Its interface
// for the other folders: this header (for the dialog manager) and
// terminal.h (for the process entry and the standard streams). It uses
// kernel32/standin.h, kernel32/kernel_sync.h, user32/window.h,
// user32/dialog_input.h and gdi32/gdi_record.h.
//
// The front end of the stand-in's dialog manager: what shows the dialogs to
// a person or a script and brings their input back. The dialog manager
// keeps the windows and runs the program's dialog procedures; a front end
// only renders and types. It is a record of function pointers, so that a
// new front end (a full-screen terminal one) is one more record and one
// more line in ChooseFrontEnd, with no change to the dialog manager.
//
// Input goes the other way, through the functions of dialog_input.h, which
// act as a person's keys and clicks on the dialogs.
//
// The callbacks run without the dialog manager's lock; they may read the
// window records (window.h) under UserLock() and call dialog_input.h.
#ifndef ZOLT_PLATFORM_POSIX_FRONT_END_H
#define ZOLT_PLATFORM_POSIX_FRONT_END_H

#include "platform/posix/windows.h"

struct FrontEnd {
  const char* name;

  // Once, when the front end is installed: starts taking input (line
  // mode starts its reader later, when the first dialog is shown).
  void (*startInput)();

  // A dialog became visible: on its own thread, after WM_INITDIALOG, before
  // its modal loop handles the first message.
  void (*dialogShown)(HWND dialog);

  // A dialog ended: on its own thread, after its modal loop, while its
  // windows still exist.
  void (*dialogEnded)(HWND dialog);

  // A window's text, enabled or visible state, items, selection or the
  // keyboard focus changed; on the thread that changed it.
  void (*controlChanged)(HWND window);

  // A line was added to a list box (LB_ADDSTRING, LB_INSERTSTRING): on the
  // dialog's thread, in the order the lines were added. `text` is
  // Windows-1252.
  void (*listLineAdded)(HWND list, int index, const char* text);

  // MessageBoxA: on the calling thread; returns the button chosen (IDOK...).
  int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
};

// The front end in use, chosen on first use (the first dialog or message
// box): the terminal front end (terminal.h) when stdin and stdout are
// terminals, line mode otherwise.
const FrontEnd* CurrentFrontEnd();

// The front end in use, or null while none has been chosen or installed.
const FrontEnd* InstalledFrontEnd();

// Installs `frontEnd` (and calls its startInput), replacing the one in use;
// null forgets it, so that the next use chooses again. For tests, which
// drive dialogs through a front end of their own or a line mode reading a
// pipe.
void SetFrontEnd(const FrontEnd* frontEnd);

// The choice made on first use, by the standard streams.
const FrontEnd* ChooseFrontEnd(bool stdinIsTerminal, bool stdoutIsTerminal);

#endif
