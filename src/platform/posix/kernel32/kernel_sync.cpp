// Waits on kernel objects (WaitForSingleObject) and the idle state of the
// threads started with CreateThread.
#include "kernel32/kernel_sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <set>

#include "kernel32/handles.h"
#include "kernel32/standin.h"

struct KernelWaiter {
  std::condition_variable wake;
  bool satisfied = false;       // a signal was handed to this waiter
  uint64_t blocksCreated = 0;   // a created thread waiting without time limit: its serial
};

namespace {

// Never destroyed: the worker may still wait or signal while the process
// ends on the dialog thread.
std::mutex* const kernelLock = new std::mutex;

// The serial numbers of the created threads that are neither ended nor
// blocked in an INFINITE wait or a modal loop's wait for input.
std::set<uint64_t>* const runningCreatedThreads = new std::set<uint64_t>;
uint64_t nextCreatedSerial = 1;

// The calling thread's serial when CreateThread started it; else 0.
thread_local uint64_t currentThreadSerial = 0;

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
    if (waiter->blocksCreated != 0) runningCreatedThreads->insert(waiter->blocksCreated);
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
  waiter.blocksCreated = milliseconds == INFINITE ? currentThreadSerial : 0;
  signal->waiters.push_back(&waiter);
  if (waiter.blocksCreated != 0) runningCreatedThreads->erase(waiter.blocksCreated);

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

KernelWaiter* StartSignalWait(KernelSignal* signal) {
  std::lock_guard<std::mutex> hold(KernelLock());
  if (signal->count > 0) {
    if (!signal->manualReset) signal->count--;
    return nullptr;
  }
  KernelWaiter* waiter = new KernelWaiter;
  signal->waiters.push_back(waiter);
  return waiter;
}

bool SignalWaitSatisfied(KernelWaiter* waiter) {
  std::lock_guard<std::mutex> hold(KernelLock());
  return SignalWaitSatisfiedLocked(waiter);
}

bool SignalWaitSatisfiedLocked(KernelWaiter* waiter) { return waiter->satisfied; }

bool EndSignalWait(KernelSignal* signal, KernelWaiter* waiter) {
  std::lock_guard<std::mutex> hold(KernelLock());
  const bool satisfied = waiter->satisfied;
  if (!satisfied) {
    auto& waiters = signal->waiters;
    waiters.erase(std::find(waiters.begin(), waiters.end(), waiter));
  }
  delete waiter;
  return satisfied;
}

uint64_t CreatedThreadStartingLocked() {
  uint64_t serial = nextCreatedSerial++;
  runningCreatedThreads->insert(serial);
  return serial;
}

void CreatedThreadEndedLocked(uint64_t serial) { runningCreatedThreads->erase(serial); }

void MarkCurrentThreadCreated(uint64_t serial) { currentThreadSerial = serial; }

uint64_t CurrentCreatedThreadSerial() { return currentThreadSerial; }

bool CreatedThreadIdle(uint64_t serial) {
  std::lock_guard<std::mutex> hold(KernelLock());
  return CreatedThreadIdleLocked(serial);
}

bool CreatedThreadIdleLocked(uint64_t serial) { return runningCreatedThreads->count(serial) == 0; }

void CreatedThreadWaitsForUser(bool waiting) {
  if (currentThreadSerial == 0) return;
  std::lock_guard<std::mutex> hold(KernelLock());
  if (waiting)
    runningCreatedThreads->erase(currentThreadSerial);
  else
    runningCreatedThreads->insert(currentThreadSerial);
}

bool StandInCreatedThreadsIdle() { return StandInCreatedThreadsIdleSince(0); }

uint64_t StandInNextCreatedThread() {
  std::lock_guard<std::mutex> hold(KernelLock());
  return nextCreatedSerial;
}

bool StandInCreatedThreadsIdleSince(uint64_t first) {
  std::lock_guard<std::mutex> hold(KernelLock());
  return CreatedThreadsIdleSinceLocked(first);
}

bool CreatedThreadsIdleSinceLocked(uint64_t first) {
  return runningCreatedThreads->lower_bound(first) == runningCreatedThreads->end();
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
