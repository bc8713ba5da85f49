// Threads: CreateThread over POSIX threads, and GetCurrentThreadId.
#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "kernel32/handles.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"

// Sanitizers keep their own records on the stack and need several times the
// stack an uninstrumented build needs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#  define ZOLT_SANITIZED_BUILD 1
#elif defined(__has_feature)
#  if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#    define ZOLT_SANITIZED_BUILD 1
#  endif
#endif

namespace {

struct ThreadRecord {
  KernelSignal ended;  // manual reset: set once when the thread returns
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
  DWORD id;
  uint64_t serial;  // in the created-thread bookkeeping (kernel_sync.h)
  int holds;  // the handle and the running thread; under KernelLock
};

// Windows thread identifiers are non-zero multiples of 4.
std::atomic<DWORD> nextThreadId{4};
thread_local DWORD currentThreadId = 0;

DWORD NewThreadId() { return nextThreadId.fetch_add(4); }

// With KernelLock held. True when this was the last hold.
bool DropHoldLocked(ThreadRecord* thread) { return --thread->holds == 0; }

void CloseThread(void* object) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(object);
  bool last;
  {
    std::lock_guard<std::mutex> hold(KernelLock());
    last = DropHoldLocked(thread);
  }
  if (last) delete thread;
}

void* RunThread(void* argument) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(argument);
  currentThreadId = thread->id;
  MarkCurrentThreadCreated(thread->serial);
  thread->start(thread->parameter);
  bool last;
  {
    std::lock_guard<std::mutex> hold(KernelLock());
    CreatedThreadEndedLocked(thread->serial);
    SignalLocked(&thread->ended, 1);
    last = DropHoldLocked(thread);
  }
  if (last) delete thread;
  return nullptr;
}

}  // namespace

size_t StandInThreadStackSize(size_t requested) {
  // Windows takes the size as the stack's first commitment and reserves at
  // least the program's default (1 MB) behind it, so a thread there may
  // outgrow what it asked for. Here the size asked for is the whole stack,
  // so the program's stack use is held to the size it states.
  size_t size = requested;
  size_t minimum = PTHREAD_STACK_MIN;
  if (size < minimum) size = minimum;
  size_t page = size_t(sysconf(_SC_PAGESIZE));
  size = (size + page - 1) / page * page;
#ifdef ZOLT_SANITIZED_BUILD
  size *= 8;
#endif
  return size;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  if (attributes != nullptr) StandInUnsupported("CreateThread", "security attributes");
  if (flags != 0) StandInUnsupported("CreateThread", "creation flags other than 0");
  if (start == nullptr) StandInUnsupported("CreateThread", "a null start routine");

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  // 0 asks for the program's default stack, which the host's default serves.
  if (stackSize != 0) pthread_attr_setstacksize(&attr, StandInThreadStackSize(stackSize));

  ThreadRecord* thread = new ThreadRecord;
  thread->ended.manualReset = true;
  thread->start = start;
  thread->parameter = parameter;
  thread->id = NewThreadId();
  thread->holds = 2;
  // Counted before it starts: from the caller's view the thread runs as
  // soon as CreateThread returns.
  {
    std::lock_guard<std::mutex> hold(KernelLock());
    thread->serial = CreatedThreadStartingLocked();
  }
  HANDLE handle = OpenKernelHandle(kHandleThread, thread, CloseThread, &thread->ended);
  DWORD id = thread->id;  // the thread may end and free its record at once

  pthread_t posixThread;
  int failure = pthread_create(&posixThread, &attr, RunThread, thread);
  pthread_attr_destroy(&attr);
  if (failure == EINVAL)
    StandInUnsupported("CreateThread", "a stack too small for this host's thread set-up");
  if (failure != 0) {
    {
      std::lock_guard<std::mutex> hold(KernelLock());
      CreatedThreadEndedLocked(thread->serial);
      thread->holds = 1;  // the thread never ran: only the handle holds it
    }
    CloseKernelHandle(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = id;
  return handle;
}

DWORD GetCurrentThreadId(void) {
  if (currentThreadId == 0) currentThreadId = NewThreadId();
  return currentThreadId;
}
