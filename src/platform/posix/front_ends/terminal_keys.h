// The keys of the terminal front end: what a key does to the topmost
// dialog, through the same input calls as every front end
// (dialog_input.h), or to the person's view of the message list. Which key
// does what is told in terminal.h.
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_KEYS_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_KEYS_H

#include <vector>

#include "front_ends/terminal_state.h"
#include "front_ends/terminal_view.h"

enum TerminalKeyName {
  kTermCharacter,  // a typed character, in `character`
  kTermEnter,
  kTermEscape,
  kTermTab,
  kTermBackTab,    // Shift+Tab
  kTermBackspace,
  kTermUp,
  kTermDown,
  kTermLeft,
  kTermRight,
  kTermPageUp,
  kTermPageDown,
  kTermHome,
  kTermEnd,
};

struct KeyPress {
  TerminalKeyName name;
  wchar_t character;  // kTermCharacter: the character typed
  bool alt;           // held with Alt (or Meta, or typed after Esc at once)
};

// Acts on the last of `dialogs` (the one on top) or on `listView`. False
// when the key had nothing to act on (the terminal then beeps).
bool DialogKey(const KeyPress& key, const std::vector<DialogView>& dialogs, ListView* listView);

#endif
