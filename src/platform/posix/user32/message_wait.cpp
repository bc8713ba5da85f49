// MsgWaitForMultipleObjects and PeekMessageA: a thread that runs dialogs
// waits for a kernel object and meanwhile handles what other threads send
// to its windows, so that a sender waiting for the answer (SendMessageA,
// EnableWindow on a dialog of this thread) is not left blocked.
//
// Windows facts followed here:
// - MsgWaitForMultipleObjects returns WAIT_OBJECT_0 when the object is
//   signalled, else WAIT_OBJECT_0 + count when a message of the wake mask
//   is there, also one that came before the call.
// - Every PeekMessageA call first handles the messages sent to the
//   thread's windows; PM_NOREMOVE then leaves the next posted message in
//   the queue, telling whether there is one.
#include <chrono>

#include "kernel32/handles.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"
#include "user32/dialog_dispatch.h"

namespace {

// How often the wait looks at the object again while it sleeps on the
// thread's message queue: a signal wakes the object's waiters, not the
// queue (the two have locks of their own, taken in that order only).
constexpr std::chrono::milliseconds kObjectCheck(5);

// With the lock held: the first sent (not posted) message of `queue`.
std::deque<QueuedMessage>::iterator FirstSent(ThreadQueue* queue) {
  auto each = queue->messages.begin();
  while (each != queue->messages.end() && each->sent == nullptr) ++each;
  return each;
}

}  // namespace

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
  if (count != 1 || waitAll) StandInUnsupported("MsgWaitForMultipleObjects", "other than one object");
  if (milliseconds != INFINITE) StandInUnsupported("MsgWaitForMultipleObjects", "a time limit");
  if (wakeMask != QS_SENDMESSAGE)
    StandInUnsupported("MsgWaitForMultipleObjects", "a wake mask other than QS_SENDMESSAGE");
  HandleUse use(handles[0]);
  if (!use.valid()) return WAIT_FAILED;
  if (use.signal() == nullptr)
    StandInUnsupported("MsgWaitForMultipleObjects", "a handle that is not a thread or a semaphore");

  UserHold hold(UserLock());
  ThreadQueue* own = CurrentQueue(false);
  if (own == nullptr) {
    // No window of this thread exists, so nothing can be sent to it.
    hold.unlock();
    return WaitForSingleObject(handles[0], INFINITE);
  }
  KernelWaiter* waiter = StartSignalWait(use.signal());
  if (waiter == nullptr) return WAIT_OBJECT_0;
  // Meanwhile the thread counts as waiting in its loop (DialogThreadsIdle)
  // until a signal or a sent message comes.
  const bool wasWaiting = own->waiting;
  own->objectWait = waiter;
  own->waiting = true;
  NoteUserChangeLocked();
  DWORD result = WAIT_OBJECT_0 + 1;
  while (FirstSent(own) == own->messages.end()) {
    if (SignalWaitSatisfied(waiter)) break;
    own->wake.wait_for(hold, kObjectCheck);
  }
  own->objectWait = nullptr;
  own->waiting = wasWaiting;
  NoteUserChangeLocked();
  if (EndSignalWait(use.signal(), waiter)) result = WAIT_OBJECT_0;
  return result;
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
  if (window != nullptr || first != 0 || last != 0) StandInUnsupported("PeekMessageA", "a filter");
  if (remove != PM_NOREMOVE) StandInUnsupported("PeekMessageA", "removing a message");
  UserHold hold(UserLock());
  ThreadQueue* own = CurrentQueue(false);
  if (own == nullptr) return FALSE;
  for (auto sent = FirstSent(own); sent != own->messages.end(); sent = FirstSent(own)) {
    QueuedMessage queued = *sent;
    own->messages.erase(sent);
    DispatchQueuedLocked(queued, hold);
  }
  if (own->messages.empty()) return FALSE;
  const QueuedMessage& next = own->messages.front();
  *message = MSG{next.window, next.message, next.wParam, next.lParam, 0, POINT{0, 0}};
  return TRUE;
}
