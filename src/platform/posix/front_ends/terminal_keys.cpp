// What the keys of the terminal front end do (see terminal_keys.h and
// terminal.h). Every decision is taken on a copy of the dialogs made just
// before; the input calls check the dialog's state again when they act, so
// a control disabled meanwhile is not pressed.
#include "front_ends/terminal_keys.h"

#include <algorithm>
#include <cctype>

#include "front_ends/terminal_text.h"
#include "user32/dialog_input.h"

namespace {

// How far Left and Right move the list sideways.
const int kSidewaysStep = 8;

bool Usable(const ControlView* control) { return control != nullptr && control->visible && control->enabled; }

bool IsTabStop(const ControlView& control) { return (control.style & WS_TABSTOP) && control.visible && control.enabled; }

// Tab and Shift+Tab: the next or previous tab stop in template order,
// round the end; from a focus outside the dialog, the first or the last.
bool MoveFocus(const DialogView& dialog, const ControlView* focus, int step) {
  std::vector<const ControlView*> stops;
  for (const ControlView& control : dialog.controls)
    if (IsTabStop(control)) stops.push_back(&control);
  if (stops.empty()) return false;
  int at = -1;
  for (size_t i = 0; i < stops.size(); ++i)
    if (stops[i] == focus) at = int(i);
  int count = int(stops.size());
  int next = at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
  // SetFocus answers the previous focus: null both for none and for a
  // window gone meanwhile, which the next drawing shows either way.
  // As Tab on Windows: an edit reached this way has its text selected.
  DialogSetFocus(stops[size_t(next)]->window);
  return true;
}

// The edit's text without its selection, and where the caret then stands:
// the selected characters, if any, are what typing and Backspace replace.
std::string WithoutSelection(const ControlView& edit) {
  return edit.text.substr(0, size_t(edit.selectFrom)) + edit.text.substr(size_t(edit.selectTo));
}
bool HasSelection(const ControlView& edit) { return edit.selectFrom < edit.selectTo; }

// A typed character replaces the selection, else goes to the end (the
// front end keeps the caret at the end of the text).
bool TypeInto(const ControlView& edit, wchar_t typed) {
  int byte = TypedAnsiByte(typed);
  if (byte < 0) return false;
  std::string text = edit.text;
  size_t at = text.size();
  if (HasSelection(edit)) {
    text = WithoutSelection(edit);
    at = size_t(edit.selectFrom);
  }
  if (int(text.size()) >= edit.limit) return false;
  text.insert(at, 1, char(byte));
  return TypeText(edit.window, text.c_str()) == int(text.size());
}

bool EraseLast(const ControlView& edit) {
  if (HasSelection(edit)) return TypeText(edit.window, WithoutSelection(edit).c_str()) >= 0;
  if (edit.text.empty()) return false;
  std::string text = edit.text.substr(0, edit.text.size() - 1);
  return TypeText(edit.window, text.c_str()) >= 0;
}

bool Choose(const ControlView& combo, int index) {
  int count = int(combo.items.size());
  if (count == 0) return false;
  index = std::max(0, std::min(index, count - 1));
  if (index == combo.selection) return false;
  return ChooseComboItem(combo.window, index);
}

// A letter chooses the next entry that starts with it, round the end.
bool ChooseByLetter(const ControlView& combo, wchar_t letter) {
  int count = int(combo.items.size());
  for (int step = 1; step <= count; ++step) {
    int index = ((combo.selection < 0 ? -1 : combo.selection) + step) % count;
    const std::string& item = combo.items[size_t(index)];
    if (!item.empty() && letter < 0x80 && tolower((unsigned char)item[0]) == tolower(int(letter)))
      return index == combo.selection || Choose(combo, index);
  }
  return false;
}

bool ComboKey(const ControlView& combo, TerminalKeyName name) {
  switch (name) {
    case kTermUp:
    case kTermLeft: return Choose(combo, combo.selection - 1);
    case kTermDown:
    case kTermRight: return Choose(combo, combo.selection + 1);
    case kTermHome: return Choose(combo, 0);
    case kTermEnd: return Choose(combo, int(combo.items.size()) - 1);
    default: return false;
  }
}

// The list's view moved by lines (up is back to older lines) or sideways.
bool Scroll(const std::vector<DialogView>& dialogs, ListView* view, TerminalKeyName name) {
  const ControlView* list = ViewedList(dialogs);
  if (list == nullptr || view->list != list->window) return false;
  const int page = std::max(1, view->pageRows - 1);
  const int mostBack = std::max(0, int(list->items.size()) - view->pageRows);
  size_t widest = 0;
  for (const std::string& item : list->items) widest = std::max(widest, ScreenText(item).size());
  const int mostSideways = std::max(0, int(widest) - view->pageColumns);
  ListView before = *view;
  switch (name) {
    case kTermUp: view->linesBack++; break;
    case kTermDown: view->linesBack--; break;
    case kTermPageUp: view->linesBack += page; break;
    case kTermPageDown: view->linesBack -= page; break;
    case kTermHome: view->linesBack = mostBack; break;
    case kTermEnd: view->linesBack = 0; break;
    case kTermLeft: view->column -= kSidewaysStep; break;
    case kTermRight: view->column += kSidewaysStep; break;
    default: return false;
  }
  view->linesBack = std::max(0, std::min(view->linesBack, mostBack));
  view->column = std::max(0, std::min(view->column, mostSideways));
  return view->linesBack != before.linesBack || view->column != before.column;
}

bool Mnemonic(const DialogView& dialog, wchar_t letter) {
  if (letter < 0x21 || letter >= 0x7F) return false;
  return PressKey(dialog.window, tolower(int(letter)));
}

}  // namespace

bool DialogKey(const KeyPress& key, const std::vector<DialogView>& dialogs, ListView* listView) {
  if (dialogs.empty()) return false;
  const DialogView& top = dialogs.back();
  const ControlView* focus = FocusedControl(top);
  if (!Usable(focus)) focus = nullptr;
  const bool onEdit = focus != nullptr && focus->kind == kClassEdit;
  const bool onButton = focus != nullptr && focus->kind == kClassButton;
  const bool onCombo = focus != nullptr && focus->kind == kClassComboBox;

  switch (key.name) {
    case kTermTab: return MoveFocus(top, focus, 1);
    case kTermBackTab: return MoveFocus(top, focus, -1);
    case kTermEnter:
      // A focused button is the one Enter presses, as on Windows; else the
      // default button.
      return onButton ? PressButton(focus->window) : PressKey(top.window, kKeyEnter);
    case kTermEscape: return PressKey(top.window, kKeyEscape);
    case kTermBackspace: return onEdit && EraseLast(*focus);
    case kTermUp:
    case kTermDown:
    case kTermLeft:
    case kTermRight:
    case kTermHome:
    case kTermEnd:
      if (onCombo) return ComboKey(*focus, key.name);
      return Scroll(dialogs, listView, key.name);
    case kTermPageUp:
    case kTermPageDown: return Scroll(dialogs, listView, key.name);
    case kTermCharacter:
      if (key.alt) return Mnemonic(top, key.character);
      if (onEdit) return TypeInto(*focus, key.character);
      if (onButton && key.character == L' ') return PressButton(focus->window);
      if (onCombo && ChooseByLetter(*focus, key.character)) return true;
      return Mnemonic(top, key.character);
  }
  return false;
}
