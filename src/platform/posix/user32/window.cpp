// The registry of live windows, the per-thread queues, the change count the
// front ends wait on, and the calls that read or change a window's state
// directly: GetDlgItem, EnableWindow, IsWindowEnabled, ShowWindow,
// IsWindowVisible, SetFocus and GetFocus.
//
// As on Windows, these take effect at once from any thread; only messages
// (SendMessageA and what is built on it) go through the owning thread.
#include <algorithm>
#include <chrono>
#include <set>

#include "front_ends/front_end.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"
#include "user32/dialog_input.h"
#include "user32/window.h"

namespace {

// Never destroyed: other threads may still use windows while the process
// ends.
struct UserState {
  std::mutex lock;
  std::set<HWND> windows;
  std::vector<ThreadQueue*> queues;  // one per thread that ever needed one; kept
  std::vector<HWND> shown;
  uint64_t changes = 0;
  std::condition_variable changed;
};

UserState& State() {
  static UserState* state = new UserState;
  return *state;
}

thread_local ThreadQueue* currentQueue = nullptr;

}  // namespace

std::mutex& UserLock() { return State().lock; }

HWND LiveWindow(HWND window) {
  if (window == nullptr || State().windows.count(window) == 0) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return window;
}

bool WindowIsLive(HWND window) { return window != nullptr && State().windows.count(window) != 0; }

ThreadQueue* CurrentQueue(bool create) {
  if (currentQueue == nullptr && create) {
    currentQueue = new ThreadQueue;
    currentQueue->thread = std::this_thread::get_id();
    currentQueue->createdThread = CurrentCreatedThreadSerial();
    State().queues.push_back(currentQueue);
  }
  return currentQueue;
}

void RegisterWindow(HWND window) { State().windows.insert(window); }

void UnregisterWindow(HWND window) { State().windows.erase(window); }

std::vector<HWND>& ShownDialogs() { return State().shown; }

void NoteUserChangeLocked() {
  State().changes++;
  State().changed.notify_all();
}

uint64_t UserChangeCount() {
  UserHold hold(UserLock());
  return State().changes;
}

void WaitForUserChange(uint64_t seen, int milliseconds) {
  UserHold hold(UserLock());
  State().changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                           [seen] { return State().changes != seen; });
}

namespace {

// With the lock held: DialogThreadsIdle; `waitSatisfied` tells whether a
// thread's wait in MsgWaitForMultipleObjects has had its signal.
bool DialogThreadsIdleLocked(bool (*waitSatisfied)(KernelWaiter*)) {
  for (ThreadQueue* queue : State().queues) {
    // A thread with a dialog but no loop is still making it (or ending
    // it): busy, though it waits in no loop yet.
    if (queue->loops == 0 && queue->dialogs.empty()) continue;
    if (queue->loops == 0 || !queue->waiting || !queue->messages.empty()) return false;
    // Waiting for an object that has been signalled: about to go on.
    if (queue->objectWait != nullptr && waitSatisfied(queue->objectWait)) return false;
    for (HWND dialog : queue->dialogs)
      if (dialog->dialogRecord->paintPending) return false;
  }
  return true;
}

}  // namespace

bool DialogThreadsIdle() {
  UserHold hold(UserLock());
  return DialogThreadsIdleLocked(SignalWaitSatisfied);
}

bool DialogAndCreatedThreadsIdle() { return DialogAndCreatedThreadsIdleSince(0, 0); }

bool DialogAndCreatedThreadsIdleSince(uint64_t first, uint64_t thread) {
  // Both locks at once (in their order): no queue, modal loop, signal or
  // created thread can change between the looks. Taken one after the
  // other, a print thread could end one dialog and wait in the next in
  // between, and both looks would see it idle, each at its own moment.
  UserHold hold(UserLock());
  std::lock_guard<std::mutex> kernel(KernelLock());
  return DialogThreadsIdleLocked(SignalWaitSatisfiedLocked) && CreatedThreadsIdleSinceLocked(first) &&
         (thread == 0 || CreatedThreadIdleLocked(thread));
}

void NotifyControlChanged(HWND window) {
  const FrontEnd* frontEnd = CurrentFrontEnd();
  if (frontEnd->controlChanged != nullptr) frontEnd->controlChanged(window);
}

HWND GetDlgItem(HWND dialog, int id) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(dialog);
  if (found == nullptr) return nullptr;
  if (found->dialogRecord == nullptr) StandInUnsupported("GetDlgItem", "a window that is not a dialog");
  for (HWND control : found->dialogRecord->controls)
    if (control->id == id) return control;
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  BOOL wasDisabled;
  bool tellDialog;
  {
    UserHold hold(UserLock());
    HWND found = LiveWindow(window);
    if (found == nullptr) return FALSE;
    wasDisabled = !found->enabled;
    // A dialog whose state changes is told so with WM_ENABLE, sent: from
    // another thread the caller waits until the dialog's thread has
    // handled it. (Controls are not sent it.)
    tellDialog = found->dialogRecord != nullptr && found->enabled != (enable != FALSE);
    found->enabled = enable != FALSE;
    if (found->enabled) {
      found->style &= ~DWORD(WS_DISABLED);
    } else {
      found->style |= WS_DISABLED;
      // A disabled window cannot keep the keyboard focus.
      ThreadQueue* queue = found->dialog->dialogRecord->queue;
      if (queue->focus == found) queue->focus = nullptr;
    }
    NoteUserChangeLocked();
  }
  NotifyControlChanged(window);
  if (tellDialog) SendMessageA(window, WM_ENABLE, WPARAM(enable != FALSE), 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  return found != nullptr && found->enabled;
}

BOOL ShowWindow(HWND window, int command) {
  if (command != SW_HIDE && command != SW_SHOW && command != SW_SHOWNORMAL)
    StandInUnsupported("ShowWindow", "a command other than SW_HIDE, SW_SHOW and SW_SHOWNORMAL");
  BOOL wasVisible;
  {
    UserHold hold(UserLock());
    HWND found = LiveWindow(window);
    if (found == nullptr) return FALSE;
    wasVisible = found->visible;
    found->visible = command != SW_HIDE;
    if (found->visible) {
      found->style |= WS_VISIBLE;
    } else {
      found->style &= ~DWORD(WS_VISIBLE);
      // Hiding the focused control moves the focus to its dialog.
      ThreadQueue* queue = found->dialog->dialogRecord->queue;
      if (queue->focus == found) queue->focus = found->dialog;
    }
    NoteUserChangeLocked();
  }
  NotifyControlChanged(window);
  return wasVisible;
}

BOOL IsWindowVisible(HWND window) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  // As on Windows: a control is visible only when its dialog is too.
  return found != nullptr && found->visible && found->dialog->visible;
}

// The focus belongs to the queue of the thread that runs the window's
// dialog; the worker thread may move it (the program gives the password
// field the focus from there), and GetFocus on the dialog's thread sees it.
HWND SetFocus(HWND window) {
  HWND previous;
  {
    UserHold hold(UserLock());
    if (window == nullptr) {
      ThreadQueue* queue = CurrentQueue(false);
      previous = queue == nullptr ? nullptr : queue->focus;
      if (queue != nullptr) queue->focus = nullptr;
      NoteUserChangeLocked();
      return previous;
    }
    HWND found = LiveWindow(window);
    if (found == nullptr) return nullptr;
    ThreadQueue* queue = found->dialog->dialogRecord->queue;
    previous = queue->focus;
    queue->focus = found;
    NoteUserChangeLocked();
  }
  NotifyControlChanged(window);
  return previous;
}

void DialogSetFocus(HWND control) {
  bool selected = false;
  {
    UserHold hold(UserLock());
    HWND found = LiveWindow(control);
    if (found == nullptr) return;
    if (found->dialogRecord == nullptr && found->controlClass == kClassEdit) {
      found->selectFrom = 0;
      found->selectTo = int(found->text.size());
      selected = true;
      NoteUserChangeLocked();
    }
  }
  if (selected) NotifyControlChanged(control);
  SetFocus(control);
}

HWND GetFocus(void) {
  UserHold hold(UserLock());
  ThreadQueue* queue = CurrentQueue(false);
  return queue == nullptr ? nullptr : queue->focus;
}
