// Modal dialogs: DialogBoxParamA builds a dialog from its template in the
// program's resource script, sends WM_INITDIALOG and runs the modal loop on
// the calling thread until EndDialog; the loop handles the messages of every
// dialog of the thread (a nested dialog's loop serves its owner too).
#include <algorithm>
#include <atomic>

#include "front_ends/front_end.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"
#include "user32/dialog_dispatch.h"
#include "user32/dialog_input.h"

namespace {

std::atomic<uint64_t> dialogsShown{0};

// With the lock held: the windows of a new dialog, registered, on the
// calling thread's queue.
HWND CreateDialogWindows(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure) {
  ThreadQueue* queue = CurrentQueue(true);
  HWND dialog = new HWND__{};
  dialog->dialog = dialog;
  dialog->dialogTemplate = &dialogTemplate;
  dialog->style = dialogTemplate.style;
  dialog->exStyle = dialogTemplate.exStyle;
  dialog->text = dialogTemplate.caption;
  dialog->unitRect = RECT{dialogTemplate.x, dialogTemplate.y, dialogTemplate.x + dialogTemplate.cx,
                          dialogTemplate.y + dialogTemplate.cy};
  dialog->windowRect = NewDialogWindowRect(dialogTemplate, owner);
  dialog->enabled = !(dialogTemplate.style & WS_DISABLED);
  dialog->visible = false;  // shown after WM_INITDIALOG
  dialog->dialogRecord = new DialogRecord{};
  dialog->dialogRecord->procedure = procedure;
  dialog->dialogRecord->owner = owner;
  dialog->dialogRecord->queue = queue;
  dialog->dialogRecord->previousFocus = queue->focus;
  RegisterWindow(dialog);

  for (const ControlTemplate& item : dialogTemplate.controls) {
    HWND control = new HWND__{};
    control->dialog = dialog;
    control->controlTemplate = &item;
    control->controlClass = item.controlClass;
    control->id = item.id;
    control->style = item.style;
    control->exStyle = item.exStyle;
    control->text = item.text;
    control->unitRect = RECT{item.x, item.y, item.x + item.cx, item.y + item.cy};
    int left = HorizontalPixels(item.x), top = VerticalPixels(item.y);
    control->windowRect = RECT{left, top, left + HorizontalPixels(item.cx), top + VerticalPixels(item.cy)};
    control->enabled = !(item.style & WS_DISABLED);
    control->visible = (item.style & WS_VISIBLE) != 0;
    RegisterWindow(control);
    dialog->dialogRecord->controls.push_back(control);
  }
  queue->dialogs.push_back(dialog);
  return dialog;
}

// With the lock held: the first control that can take the focus by Tab.
HWND FirstTabStop(HWND dialog) {
  for (HWND control : dialog->dialogRecord->controls)
    if ((control->style & WS_TABSTOP) && control->enabled && control->visible) return control;
  return nullptr;
}

// With the lock held: takes the dialog's windows out of the registry and
// its queue, answers the senders still waiting on them, and frees them.
void DestroyDialogWindows(HWND dialog) {
  DialogRecord* record = dialog->dialogRecord;
  ThreadQueue* queue = record->queue;
  std::vector<HWND> windows = record->controls;
  windows.push_back(dialog);
  auto gone = [&windows](HWND window) { return std::find(windows.begin(), windows.end(), window) != windows.end(); };

  for (auto it = queue->messages.begin(); it != queue->messages.end();) {
    if (!gone(it->window)) {
      ++it;
      continue;
    }
    if (it->sent != nullptr) {
      it->sent->windowGone = true;
      it->sent->done = true;
      it->sent->wake->notify_all();
    }
    it = queue->messages.erase(it);
  }
  if (queue->focus == nullptr || gone(queue->focus))
    queue->focus = WindowIsLive(record->previousFocus)
                       ? record->previousFocus
                       : nullptr;
  queue->dialogs.erase(std::find(queue->dialogs.begin(), queue->dialogs.end(), dialog));
  std::vector<HWND>& shown = ShownDialogs();
  shown.erase(std::remove(shown.begin(), shown.end(), dialog), shown.end());
  for (HWND window : windows) UnregisterWindow(window);
  NoteUserChangeLocked();

  delete record->systemMenu;
  delete record;
  for (HWND window : windows) delete window;
}

// The modal loop: handles the thread's queue in order; when it is empty,
// a pending WM_PAINT; otherwise waits.
void RunModalLoop(HWND dialog) {
  UserHold hold(UserLock());
  ThreadQueue* queue = dialog->dialogRecord->queue;
  queue->loops++;
  while (!dialog->dialogRecord->ended) {
    if (!queue->messages.empty()) {
      QueuedMessage queued = queue->messages.front();
      queue->messages.pop_front();
      DispatchQueuedLocked(queued, hold);
      continue;
    }
    HWND painting = nullptr;
    for (HWND each : queue->dialogs) {
      if (each->dialogRecord->paintPending) {
        painting = each;
        each->dialogRecord->paintPending = false;
        break;
      }
    }
    if (painting != nullptr) {
      hold.unlock();
      HandleMessage(painting, WM_PAINT, 0, 0);
      hold.lock();
      NoteUserChangeLocked();
      continue;
    }
    queue->waiting = true;
    NoteUserChangeLocked();
    // A thread started with CreateThread that waits here for input (a
    // print thread in the print dialog) will do nothing by itself.
    CreatedThreadWaitsForUser(true);
    queue->wake.wait(hold);
    CreatedThreadWaitsForUser(false);
    queue->waiting = false;
  }
  queue->loops--;
  NoteUserChangeLocked();
}

}  // namespace

uint64_t DialogsShownCount() { return dialogsShown; }

HWND TopDialog() {
  UserHold hold(UserLock());
  std::vector<HWND>& shown = ShownDialogs();
  // A dialog that has ended is gone for the user, though its loop may not
  // have returned yet.
  for (auto it = shown.rbegin(); it != shown.rend(); ++it)
    if (!(*it)->dialogRecord->ended) return *it;
  return nullptr;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM parameter) {
  if (!IS_INTRESOURCE(templateName)) StandInUnsupported("DialogBoxParamA", "a template named by a string");
  if (procedure == nullptr) StandInUnsupported("DialogBoxParamA", "a dialog without a procedure");
  const DialogTemplate* dialogTemplate = FindDialogTemplate(int(ULONG_PTR(templateName)));
  if (dialogTemplate == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  return RunModalDialog(*dialogTemplate, owner, procedure, parameter);
}

INT_PTR RunModalDialog(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure, LPARAM parameter) {
  const FrontEnd* frontEnd = CurrentFrontEnd();  // chosen when the first dialog starts

  // As on Windows, the owner's dialog is disabled while the dialog runs
  // and enabled again at its end (when it was enabled before); from
  // another thread each change waits until the owner's thread has been
  // told (EnableWindow).
  HWND disabledOwner = nullptr;
  {
    UserHold hold(UserLock());
    if (owner != nullptr && LiveWindow(owner) == nullptr) return 0;  // as Windows: 0 for a bad owner
    if (owner != nullptr && owner->dialog->enabled) disabledOwner = owner->dialog;
  }
  if (disabledOwner != nullptr) EnableWindow(disabledOwner, FALSE);

  HWND dialog, firstTabStop;
  {
    UserHold hold(UserLock());
    if (owner != nullptr && LiveWindow(owner) == nullptr) return 0;  // gone meanwhile
    dialog = CreateDialogWindows(dialogTemplate, owner, procedure);
    firstTabStop = FirstTabStop(dialog);
  }
  // TRUE asks for the first tab stop (what wParam names, found again: the
  // procedure may have enabled or hidden controls). FALSE keeps a focus the
  // procedure gave to one of the dialog's controls; without one, the dialog
  // takes the focus when it is shown and activated, and its default
  // handling passes it on to the first tab stop all the same. So every
  // dialog starts with a focus on a control when it has a tab stop.
  const bool defaultFocus = procedure(dialog, WM_INITDIALOG, WPARAM(firstTabStop), parameter) != FALSE;
  {
    UserHold hold(UserLock());
    HWND focus = dialog->dialogRecord->queue->focus;
    const bool focusInside = WindowIsLive(focus) && focus != dialog && focus->dialog == dialog;
    firstTabStop = defaultFocus || !focusInside ? FirstTabStop(dialog) : nullptr;
  }
  if (firstTabStop != nullptr) DialogSetFocus(firstTabStop);

  bool show;
  {
    UserHold hold(UserLock());
    show = !dialog->dialogRecord->ended;  // EndDialog during WM_INITDIALOG: never shown
    if (show) {
      dialog->visible = true;
      dialog->style |= WS_VISIBLE;
      ShownDialogs().push_back(dialog);
      dialogsShown++;
      NoteUserChangeLocked();
    }
  }
  if (show) {
    if (frontEnd->dialogShown != nullptr) frontEnd->dialogShown(dialog);
    RunModalLoop(dialog);
    if (frontEnd->dialogEnded != nullptr) frontEnd->dialogEnded(dialog);
  }
  if (disabledOwner != nullptr) EnableWindow(disabledOwner, TRUE);

  UserHold hold(UserLock());
  INT_PTR result = dialog->dialogRecord->result;
  DestroyDialogWindows(dialog);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(dialog);
  if (found == nullptr) return FALSE;
  if (found->dialogRecord == nullptr) StandInUnsupported("EndDialog", "a window that is not a dialog");
  found->dialogRecord->ended = true;
  found->dialogRecord->result = result;
  found->dialogRecord->queue->wake.notify_all();
  NoteUserChangeLocked();
  return TRUE;
}
