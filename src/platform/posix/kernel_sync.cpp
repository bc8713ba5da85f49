// Waits on kernel objects (WaitForSingleObject) and the idle state of the
// threads started with CreateThread.
#include "platform/posix/kernel_sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "platform/posix/handles.h"
#include "platform/posix/standin.h"

struct KernelWaiter {
  std::condition_variable wake;
  bool satisfied = false;       // a signal was handed to this waiter
  bool blocksCreated = false;   // a created thread waiting without time limit
};

namespace {

// Never destroyed: the worker may still wait or signal while the process
// ends on the dialog thread.
std::mutex* const kernelLock = new std::mutex;

// Created threads that are neither ended nor blocked in an INFINITE wait.
long runningCreatedThreads = 0;

thread_local bool currentThreadCreated = false;

}  // namespace

std::mutex& KernelLock() { return *kernelLock; }

void SignalLocked(KernelSignal* signal, long count) {
  if (signal->manualReset) {
    signal->count = count;
    count = long(signal->waiters.size());
  }
  while (count > 0 && !signal->waiters.empty()) {
    KernelWaiter* waiter = signal->waiters.front();
    signal->waiters.erase(signal->waiters.begin());
    waiter->satisfied = true;
    if (waiter->blocksCreated) runningCreatedThreads++;
    waiter->wake.notify_one();
    count--;
  }
  if (!signal->manualReset) signal->count += count;
}

DWORD WaitForSignal(KernelSignal* signal, DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(KernelLock());
  if (signal->count > 0) {
    if (!signal->manualReset) signal->count--;
    return WAIT_OBJECT_0;
  }
  if (milliseconds == 0) return WAIT_TIMEOUT;

  KernelWaiter waiter;
  waiter.blocksCreated = milliseconds == INFINITE && currentThreadCreated;
  signal->waiters.push_back(&waiter);
  if (waiter.blocksCreated) runningCreatedThreads--;

  if (milliseconds == INFINITE) {
    while (!waiter.satisfied) waiter.wake.wait(hold);
    return WAIT_OBJECT_0;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!waiter.satisfied) {
    if (waiter.wake.wait_until(hold, deadline) == std::cv_status::timeout && !waiter.satisfied) {
      auto& waiters = signal->waiters;
      waiters.erase(std::find(waiters.begin(), waiters.end(), &waiter));
      return WAIT_TIMEOUT;
    }
  }
  return WAIT_OBJECT_0;
}

void CreatedThreadStartingLocked() { runningCreatedThreads++; }

void CreatedThreadEndedLocked() { runningCreatedThreads--; }

void MarkCurrentThreadCreated() { currentThreadCreated = true; }

bool StandInCreatedThreadsIdle() {
  std::lock_guard<std::mutex> hold(KernelLock());
  return runningCreatedThreads == 0;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  // On Windows this value is the current process's pseudo-handle: a wait
  // on it lasts until the process ends.
  if (handle == INVALID_HANDLE_VALUE)
    StandInUnsupported("WaitForSingleObject",
                       "INVALID_HANDLE_VALUE (the current-process pseudo-handle)");
  HandleUse use(handle);
  if (!use.valid()) return WAIT_FAILED;
  if (use.signal() == nullptr)
    StandInUnsupported("WaitForSingleObject", "a handle that is not a thread or a semaphore");
  return WaitForSignal(use.signal(), milliseconds);
}
