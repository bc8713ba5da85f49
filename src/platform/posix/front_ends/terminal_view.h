// What the terminal front end shows, copied from the dialog manager's
// window records in one go under its lock, so that drawing and the keys
// work on a consistent picture without holding the lock (and without
// calling into the dialog manager while holding it).
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_VIEW_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_VIEW_H

#include <string>
#include <vector>

#include "user32/window.h"

struct ControlView {
  HWND window;
  int id;
  ControlClass kind;
  DWORD style;
  std::string text;                // caption or edit text, Windows-1252
  RECT units;                      // dialog units in the dialog's client area
  bool enabled;
  bool visible;
  bool focused;                    // holds its thread's keyboard focus
  std::vector<std::string> items;  // list box lines, combo box entries
  int selection;                   // combo box: the chosen entry, -1 for none
  int limit;                       // edit: the most characters it takes
  int selectFrom, selectTo;        // edit: the selected characters, [from, to); equal for none
};

struct DialogView {
  HWND window;
  int templateId;
  std::string title;               // Windows-1252
  int unitsWide, unitsHigh;        // the client area in dialog units
  int pixelsWide, pixelsHigh;      // the client area in the pixels the program draws in
  std::vector<ControlView> controls;  // template order, which is the tab order
};

// The dialogs shown and not yet ended, the one shown first first (the
// last one is on top and takes the keys).
std::vector<DialogView> ShownDialogViews();

// The control of `dialog` that has the keyboard focus; null for none.
const ControlView* FocusedControl(const DialogView& dialog);

// The first control of `dialog` of a kind; null for none.
const ControlView* FirstOfKind(const DialogView& dialog, ControlClass kind);

// The message list the person's scrolling acts on: the visible list box of
// the topmost dialog that has one; null for none.
const ControlView* ViewedList(const std::vector<DialogView>& dialogs);

#endif
