// Waiting on kernel objects, shared by threads and semaphores: the signal
// state of a waitable object, and the bookkeeping of the threads that
// CreateThread started (running, or blocked in a wait without time limit or
// in a modal dialog's loop waiting for input) behind
// StandInCreatedThreadsIdle.
//
// One lock guards every signal state and the thread count, so that the
// moment a signal is handed to a waiting thread is also the moment that
// thread counts as running again: nobody can observe all created threads
// idle between a release and the wake-up it causes.
#ifndef ZOLT_PLATFORM_POSIX_KERNEL_SYNC_H
#define ZOLT_PLATFORM_POSIX_KERNEL_SYNC_H

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/posix/windows.h"

struct KernelWaiter;

struct KernelSignal {
  long count = 0;                      // signals available to the next waits
  bool manualReset = false;            // true: a wait leaves the count as it is (a thread's end)
  std::vector<KernelWaiter*> waiters;  // threads waiting, in order of arrival
};

// The lock over every KernelSignal and the created-thread count.
std::mutex& KernelLock();

// With KernelLock held: hands `count` signals to the waiting threads in
// order of arrival (every waiter, for a manual-reset signal) and adds what
// is left to the count. A waiter that was a created thread blocked without
// time limit counts as running from here on.
void SignalLocked(KernelSignal* signal, long count);

// Takes one signal, waiting at most `milliseconds` of real time (INFINITE:
// no limit). Returns WAIT_OBJECT_0 or WAIT_TIMEOUT. The time limit is real
// even with the virtual clock: a wait is for another thread, not a pause.
DWORD WaitForSignal(KernelSignal* signal, DWORD milliseconds);

// A wait that lasts while its thread also does other work (a dialog thread
// in MsgWaitForMultipleObjects handling sent messages): registered on
// `signal` like a wait without time limit, but the thread does not sleep
// in it. StartSignalWait returns null when a signal is there at once (it
// is taken). SignalWaitSatisfied tells whether a signal has been handed
// to the wait since. EndSignalWait ends it: true when a signal was handed
// to it (it is taken), else the wait is withdrawn. Each takes KernelLock.
KernelWaiter* StartSignalWait(KernelSignal* signal);
bool SignalWaitSatisfied(KernelWaiter* waiter);
bool EndSignalWait(KernelSignal* signal, KernelWaiter* waiter);

// With KernelLock held: SignalWaitSatisfied, StandInCreatedThreadsIdleSince
// and CreatedThreadIdle.
bool SignalWaitSatisfiedLocked(KernelWaiter* waiter);
bool CreatedThreadsIdleSinceLocked(uint64_t first);
bool CreatedThreadIdleLocked(uint64_t serial);

// With KernelLock held: a thread about to be started by CreateThread counts
// as running from here on, under the serial number returned (1, 2, ...);
// it stops counting when it ends.
uint64_t CreatedThreadStartingLocked();
void CreatedThreadEndedLocked(uint64_t serial);

// Marks the calling thread as the one started by CreateThread under
// `serial`.
void MarkCurrentThreadCreated(uint64_t serial);

// The calling thread's serial when CreateThread started it, else 0; and
// whether the created thread `serial` is idle (see
// StandInCreatedThreadsIdle) or ended.
uint64_t CurrentCreatedThreadSerial();
bool CreatedThreadIdle(uint64_t serial);

// The calling thread's modal loop starts (true) or stops (false) waiting
// for input: a created thread counts as idle meanwhile, as it does in a
// wait without time limit. Nothing for other threads. Takes KernelLock;
// callable with the dialog manager's lock held (the lock order is that
// one, then KernelLock).
void CreatedThreadWaitsForUser(bool waiting);

#endif
