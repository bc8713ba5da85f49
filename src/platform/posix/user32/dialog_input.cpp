// A person's input to the dialogs (see dialog_input.h): clicks, keys,
// typing and choosing in a combo box, each decided on the dialog's state at
// the moment of the input and delivered to the dialog's thread as a posted
// WM_COMMAND.
#include "user32/dialog_input.h"

#include <cctype>
#include <cstring>

#include "user32/dialog_dispatch.h"

namespace {

bool IsButton(HWND window) { return window->dialogRecord == nullptr && window->controlClass == kClassButton; }

// With the lock held: a click on a live button.
bool ClickLocked(HWND button) {
  if (!button->enabled || !button->visible || button->dialog->dialogRecord->ended) return false;
  PostLocked(button->dialog, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), LPARAM(button));
  return true;
}

// The mnemonic letter of a caption, lower case; 0 for none.
char Mnemonic(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return char(tolower((unsigned char)caption[i + 1]));
  }
  return 0;
}

}  // namespace

std::string CaptionWithoutMnemonic(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

bool PressButton(HWND button) {
  UserHold hold(UserLock());
  if (LiveWindow(button) == nullptr || !IsButton(button)) return false;
  return ClickLocked(button);
}

bool PressKey(HWND dialog, int key) {
  UserHold hold(UserLock());
  if (LiveWindow(dialog) == nullptr || dialog->dialogRecord == nullptr) return false;
  if (dialog->dialogRecord->ended) return false;  // gone for the user
  const std::vector<HWND>& controls = dialog->dialogRecord->controls;
  if (key == kKeyEscape) {
    HWND cancel = nullptr;
    for (HWND control : controls)
      if (control->id == IDCANCEL) cancel = control;
    PostLocked(dialog, WM_COMMAND, IDCANCEL, LPARAM(cancel));
    return true;
  }
  if (key == kKeyEnter) {
    for (HWND control : controls) {
      if (IsButton(control) && (control->style & 0x0F) == BS_DEFPUSHBUTTON) {
        if (!control->enabled) return false;
        PostLocked(dialog, WM_COMMAND, MAKEWPARAM(control->id, BN_CLICKED), LPARAM(control));
        return true;
      }
    }
    HWND ok = nullptr;
    for (HWND control : controls)
      if (control->id == IDOK) ok = control;
    PostLocked(dialog, WM_COMMAND, IDOK, LPARAM(ok));
    return true;
  }
  char letter = char(tolower(key));
  for (HWND control : controls)
    if (IsButton(control) && Mnemonic(control->text) == letter && ClickLocked(control)) return true;
  return false;
}

int TypeText(HWND edit, const char* text) {
  int kept;
  {
    UserHold hold(UserLock());
    if (LiveWindow(edit) == nullptr || edit->dialogRecord != nullptr || edit->controlClass != kClassEdit) return -1;
    size_t length = strlen(text);
    kept = length > size_t(edit->limit) ? edit->limit : int(length);
    edit->text.assign(text, size_t(kept));
    edit->selectFrom = edit->selectTo = kept;  // the caret after the text, nothing selected
    NoteUserChangeLocked();
  }
  NotifyControlChanged(edit);
  return kept;
}

bool ChooseComboItem(HWND combo, int index) {
  {
    UserHold hold(UserLock());
    if (LiveWindow(combo) == nullptr || combo->dialogRecord != nullptr || combo->controlClass != kClassComboBox)
      return false;
    if (index < 0 || index >= int(combo->items.size())) return false;
    combo->selection = index;
    PostLocked(combo->dialog, WM_COMMAND, MAKEWPARAM(combo->id, CBN_SELCHANGE), LPARAM(combo));
  }
  NotifyControlChanged(combo);
  return true;
}
