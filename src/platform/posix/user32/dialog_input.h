// Input to the stand-in's dialogs: what a person's keys and clicks do, for
// the front ends (and the tests) to call from any thread. Each call decides
// at once, from the dialog's state at that moment, whether anything
// happens, and if so posts the resulting WM_COMMAND to the dialog, which
// its own thread handles in order with everything else. Also the views a
// front end needs to act like a person: which dialog is on top, and
// whether the dialog threads have finished handling what they were given.
//
// The keyboard rules, the same for every front end:
// - Enter presses the default push button (BS_DEFPUSHBUTTON) when it is
//   enabled; a dialog without one gets IDOK, as on Windows.
// - Esc sends WM_COMMAND IDCANCEL to the dialog whatever its buttons.
// - A mnemonic letter (the one after "&" in a caption) presses that button
//   when it is enabled and visible.
// - Pressing a button posts WM_COMMAND (id, BN_CLICKED) with the button's
//   window to its dialog.
#ifndef ZOLT_PLATFORM_POSIX_DIALOG_INPUT_H
#define ZOLT_PLATFORM_POSIX_DIALOG_INPUT_H

#include <cstdint>
#include <string>

#include "platform/posix/windows.h"

enum DialogKey {
  kKeyEnter = '\r',
  kKeyEscape = 0x1B,
  // Any other value: a mnemonic letter, in either case.
};

// Presses `button` as a click would: true when it was enabled and visible
// and the click was posted.
bool PressButton(HWND button);

// A key on `dialog`; true when it had an effect.
bool PressKey(HWND dialog, int key);

// Types `text` into the edit control `edit`, replacing what it holds, as a
// person would: at most the control's limit (EM_LIMITTEXT) is kept. Returns
// the number of characters kept, or -1 for a window that is not an edit.
int TypeText(HWND edit, const char* text);

// Chooses entry `index` of the combo box `combo` as a person would, and
// posts CBN_SELCHANGE to its dialog. False for an index out of range.
bool ChooseComboItem(HWND combo, int index);

// The dialog shown last and not yet ended, on any thread; null for none.
HWND TopDialog();

// How many dialogs have been shown since the process started.
uint64_t DialogsShownCount();

// True when every thread that has a dialog waits in its modal loop with
// nothing in its queue: the dialogs have handled everything they were
// given. (A thread still making its dialog, before its loop, is busy.) A
// thread in MsgWaitForMultipleObjects whose object is not signalled waits
// as in its loop.
bool DialogThreadsIdle();

// DialogThreadsIdle and StandInCreatedThreadsIdle at one instant: every
// thread of the program waits for a person or for another thread, and
// nothing changes until something is given to it. (The two called one
// after the other can each be true at its own moment while the program is
// between two states.)
bool DialogAndCreatedThreadsIdle();

// The same, counting only the created threads from serial `first` on
// (StandInCreatedThreadsIdleSince) and the created thread `thread`, if not 0.
bool DialogAndCreatedThreadsIdleSince(uint64_t first, uint64_t thread);

// A caption without its mnemonic marks: "Print &label" -> "Print label";
// "&&" stands for one "&".
std::string CaptionWithoutMnemonic(const std::string& caption);

#endif
