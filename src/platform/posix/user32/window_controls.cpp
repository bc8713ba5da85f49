// The built-in behaviour of the controls: the messages the program sends to
// buttons, statics, edits, list boxes and combo boxes. Runs on the thread
// of the control's dialog. A message outside this set is loud.
//
// A list box is measured in rows of 13 pixels, the line height of the
// dialog font, whatever font it was given: LB_SETTOPINDEX scrolls no
// further than the last full page, as on Windows.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "front_ends/front_end.h"
#include "kernel32/standin.h"
#include "user32/dialog_dispatch.h"

namespace {

const int kListRowHeight = 13;

const char* ClassName(ControlClass controlClass) {
  switch (controlClass) {
    case kClassButton: return "Button";
    case kClassEdit: return "Edit";
    case kClassStatic: return "Static";
    case kClassListBox: return "ListBox";
    case kClassComboBox: return "ComboBox";
  }
  return "?";
}

[[noreturn]] void Unsupported(HWND control, UINT message) {
  char what[96];
  snprintf(what, sizeof what, "message 0x%04X to a %s control", message, ClassName(control->controlClass));
  StandInUnsupported("SendMessageA", what);
}

// Where a sorted list puts a new item: after the items that compare equal
// or less, without regard to case, as the list boxes of Windows sort.
int SortedPosition(const std::vector<std::string>& items, const char* text) {
  auto at = std::upper_bound(items.begin(), items.end(), std::string(text),
                             [](const std::string& a, const std::string& b) {
                               return strcasecmp(a.c_str(), b.c_str()) < 0;
                             });
  return int(at - items.begin());
}

LRESULT CopyText(const std::string& text, char* buffer) {
  memcpy(buffer, text.c_str(), text.size() + 1);
  return LRESULT(text.size());
}

// The text a control shows: a drop-down list shows its selected item.
std::string ShownText(HWND control) {
  if (control->controlClass == kClassComboBox) {
    int selection = control->selection;
    return selection >= 0 && selection < int(control->items.size()) ? control->items[size_t(selection)]
                                                                     : std::string();
  }
  return control->text;
}

// Results of one message, and what the front end must hear of it after the
// lock is released.
struct Outcome {
  LRESULT result = 0;
  bool changed = false;
  int lineAdded = -1;  // a list box line at this index
  std::string line;
};

// Messages of every window: its text and font.
bool WindowMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam, Outcome* out) {
  switch (message) {
    case WM_SETTEXT:
      control->text = lParam != 0 ? (const char*)lParam : "";
      control->selectFrom = control->selectTo = 0;  // an edit's caret goes to the start
      out->result = TRUE;
      out->changed = true;
      return true;
    case WM_GETTEXT: {
      std::string text = ShownText(control);
      size_t size = size_t(wParam);
      if (size == 0 || lParam == 0) return true;
      size_t length = std::min(text.size(), size - 1);
      memcpy((char*)lParam, text.data(), length);
      ((char*)lParam)[length] = '\0';
      out->result = LRESULT(length);
      return true;
    }
    case WM_GETTEXTLENGTH:
      out->result = LRESULT(ShownText(control).size());
      return true;
    case WM_SETFONT:
      control->font = (HFONT)wParam;
      return true;
  }
  return false;
}

bool ListBoxMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam, Outcome* out) {
  std::vector<std::string>& items = list->items;
  int count = int(items.size());
  int index = int(wParam);
  switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      const char* text = lParam != 0 ? (const char*)lParam : "";
      if (message == LB_ADDSTRING)
        index = (list->style & LBS_SORT) ? SortedPosition(items, text) : count;
      else if (index == -1)
        index = count;
      if (index < 0 || index > count) {
        out->result = LB_ERR;
        return true;
      }
      items.insert(items.begin() + index, text);
      out->result = index;
      out->changed = true;
      out->lineAdded = index;
      out->line = text;
      return true;
    }
    case LB_GETCOUNT:
      out->result = count;
      return true;
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
      if (index < 0 || index >= count) {
        out->result = LB_ERR;
      } else {
        out->result = message == LB_GETTEXTLEN ? LRESULT(items[size_t(index)].size())
                                               : CopyText(items[size_t(index)], (char*)lParam);
      }
      return true;
    case LB_SETTOPINDEX: {
      if (index < 0 || index >= count) {
        out->result = LB_ERR;
        return true;
      }
      int rows = std::max(1, int(ClientRectOf(list).bottom) / kListRowHeight);
      list->topIndex = std::min(index, std::max(0, count - rows));
      out->result = 0;
      out->changed = true;
      return true;
    }
    case LB_GETTOPINDEX:
      out->result = list->topIndex;
      return true;
    case LB_SETHORIZONTALEXTENT:
      list->horizontalExtent = int(wParam);
      return true;
  }
  return false;
}

bool ComboBoxMessage(HWND combo, UINT message, WPARAM wParam, LPARAM lParam, Outcome* out) {
  std::vector<std::string>& items = combo->items;
  int count = int(items.size());
  int index = int(wParam);
  switch (message) {
    case CB_ADDSTRING: {
      const char* text = lParam != 0 ? (const char*)lParam : "";
      index = (combo->style & CBS_SORT) ? SortedPosition(items, text) : count;
      items.insert(items.begin() + index, text);
      if (combo->selection >= index) combo->selection++;  // the selected item stays selected
      out->result = index;
      out->changed = true;
      return true;
    }
    case CB_SETCURSEL:
      // -1 or an index out of range clears the selection and answers CB_ERR.
      combo->selection = index >= 0 && index < count ? index : -1;
      out->result = combo->selection >= 0 ? combo->selection : CB_ERR;
      out->changed = true;
      return true;
    case CB_GETCURSEL:
      out->result = combo->selection >= 0 ? combo->selection : CB_ERR;
      return true;
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
      if (index < 0 || index >= count) {
        out->result = CB_ERR;
      } else {
        out->result = message == CB_GETLBTEXTLEN ? LRESULT(items[size_t(index)].size())
                                                 : CopyText(items[size_t(index)], (char*)lParam);
      }
      return true;
    case CB_GETCOUNT:
      out->result = count;
      return true;
  }
  return false;
}

bool EditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, Outcome* out) {
  switch (message) {
    case EM_LIMITTEXT:
      // 0 lifts the limit to the largest an edit control allows.
      edit->limit = wParam == 0 || wParam > WPARAM(0x7FFFFFFE) ? 0x7FFFFFFE : int(wParam);
      return true;
    case EM_SETSEL: {
      // As the edit control takes it: a start of -1 removes the selection
      // (the caret stays where it was), an end of -1 or past the text means
      // its end, and the two may come in either order.
      const int length = int(edit->text.size());
      int from = int(wParam), to = int(lParam);
      if (from == -1) {
        edit->selectFrom = edit->selectTo;
      } else {
        if (to < 0 || to > length) to = length;
        if (from < 0 || from > length) from = length;
        edit->selectFrom = std::min(from, to);
        edit->selectTo = std::max(from, to);
      }
      out->changed = true;
      return true;
    }
  }
  return false;
}

}  // namespace

LRESULT ControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  Outcome out;
  {
    UserHold hold(UserLock());
    if (LiveWindow(control) == nullptr) return 0;
    bool handled = WindowMessage(control, message, wParam, lParam, &out);
    if (!handled) {
      switch (control->controlClass) {
        case kClassListBox: handled = ListBoxMessage(control, message, wParam, lParam, &out); break;
        case kClassComboBox: handled = ComboBoxMessage(control, message, wParam, lParam, &out); break;
        case kClassEdit: handled = EditMessage(control, message, wParam, lParam, &out); break;
        case kClassButton:
        case kClassStatic: break;
      }
    }
    if (!handled) Unsupported(control, message);
    if (out.changed) NoteUserChangeLocked();
  }
  if (out.lineAdded >= 0) {
    const FrontEnd* frontEnd = CurrentFrontEnd();
    if (frontEnd->listLineAdded != nullptr) frontEnd->listLineAdded(control, out.lineAdded, out.line.c_str());
  }
  if (out.changed) NotifyControlChanged(control);
  return out.result;
}
