// Copies of the shown dialogs for the terminal front end (see
// terminal_view.h).
#include "front_ends/terminal_view.h"

#include <algorithm>

namespace {

// With the lock held.
ControlView ViewOfControl(HWND control, HWND focus) {
  ControlView view;
  view.window = control;
  view.id = control->id;
  view.kind = control->controlClass;
  view.style = control->style;
  view.text = control->text;
  view.units = control->unitRect;
  view.enabled = control->enabled;
  view.visible = control->visible;
  view.focused = control == focus;
  if (control->controlClass == kClassListBox || control->controlClass == kClassComboBox) view.items = control->items;
  view.selection = control->selection;
  view.limit = control->limit;
  view.selectFrom = std::min(control->selectFrom, int(control->text.size()));
  view.selectTo = std::min(control->selectTo, int(control->text.size()));
  return view;
}

}  // namespace

std::vector<DialogView> ShownDialogViews() {
  std::vector<DialogView> views;
  UserHold hold(UserLock());
  for (HWND dialog : ShownDialogs()) {
    // An ended dialog is gone from the screen at once, before its loop
    // has returned and its windows are destroyed.
    if (!WindowIsLive(dialog) || dialog->dialogRecord->ended) continue;
    DialogView view;
    view.window = dialog;
    view.templateId = dialog->dialogTemplate->id;
    view.title = dialog->text;
    view.unitsWide = dialog->dialogTemplate->cx;
    view.unitsHigh = dialog->dialogTemplate->cy;
    RECT client = ClientRectOf(dialog);
    view.pixelsWide = client.right;
    view.pixelsHigh = client.bottom;
    HWND focus = dialog->dialogRecord->queue->focus;
    for (HWND control : dialog->dialogRecord->controls) view.controls.push_back(ViewOfControl(control, focus));
    views.push_back(std::move(view));
  }
  return views;
}

const ControlView* FocusedControl(const DialogView& dialog) {
  for (const ControlView& control : dialog.controls)
    if (control.focused) return &control;
  return nullptr;
}

const ControlView* FirstOfKind(const DialogView& dialog, ControlClass kind) {
  for (const ControlView& control : dialog.controls)
    if (control.kind == kind) return &control;
  return nullptr;
}

const ControlView* ViewedList(const std::vector<DialogView>& dialogs) {
  for (auto dialog = dialogs.rbegin(); dialog != dialogs.rend(); ++dialog) {
    const ControlView* list = FirstOfKind(*dialog, kClassListBox);
    if (list != nullptr && list->visible) return list;
  }
  return nullptr;
}
