// Semaphores, named and unnamed: CreateSemaphoreA and ReleaseSemaphore.
// WaitForSingleObject takes their count (kernel_sync.cpp).
//
// A named semaphore is one object shared by every handle opened with its
// name. As in Windows' object namespace the name is case-sensitive and
// lives as long as the object: once the last handle is closed (and no wait
// on it is still in progress), the name is free and a new creation makes a
// fresh object with its own initial count.
#include <cstring>
#include <map>
#include <string>

#include "kernel32/handles.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"

namespace {

struct Semaphore {
  KernelSignal signal;  // its count is the semaphore's count
  LONG maximum;
  std::string name;     // empty: unnamed
  int handles;          // open handles; under KernelLock
};

// The named semaphores, under KernelLock. Never destroyed, like the lock.
std::map<std::string, Semaphore*>& Names() {
  static auto* names = new std::map<std::string, Semaphore*>;
  return *names;
}

void CloseSemaphore(void* object) {
  Semaphore* semaphore = static_cast<Semaphore*>(object);
  {
    std::lock_guard<std::mutex> hold(KernelLock());
    if (--semaphore->handles > 0) return;
    if (!semaphore->name.empty()) Names().erase(semaphore->name);
  }
  delete semaphore;
}

}  // namespace

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                        LPCSTR name) {
  if (attributes != nullptr) StandInUnsupported("CreateSemaphoreA", "security attributes");
  if (name != nullptr && strchr(name, '\\') != nullptr)
    StandInUnsupported("CreateSemaphoreA", "a name with a namespace prefix");
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }

  Semaphore* semaphore = nullptr;
  bool existed = false;
  {
    std::lock_guard<std::mutex> hold(KernelLock());
    if (name != nullptr && name[0] != '\0') {
      auto found = Names().find(name);
      if (found != Names().end()) {
        semaphore = found->second;
        existed = true;
      }
    }
    if (semaphore == nullptr) {
      semaphore = new Semaphore;
      semaphore->signal.count = initialCount;
      semaphore->maximum = maximumCount;
      semaphore->handles = 0;
      if (name != nullptr && name[0] != '\0') {
        semaphore->name = name;
        Names()[semaphore->name] = semaphore;
      }
    }
    // Counted under the lock: a concurrent last close must not free the
    // object found above.
    semaphore->handles++;
  }
  HANDLE handle = OpenKernelHandle(kHandleSemaphore, semaphore, CloseSemaphore, &semaphore->signal);
  // Windows sets the last error on success too: 0 for a new object,
  // ERROR_ALREADY_EXISTS (and the counts given are ignored) for an existing
  // name.
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReleaseSemaphore(HANDLE handle, LONG releaseCount, PLONG previousCount) {
  HandleUse use(handle, kHandleSemaphore);
  if (!use.valid()) return FALSE;
  if (releaseCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Semaphore* semaphore = static_cast<Semaphore*>(use.object());
  std::lock_guard<std::mutex> hold(KernelLock());
  long count = semaphore->signal.count;  // 0 while threads wait on it
  if (releaseCount > semaphore->maximum - count) {
    SetLastError(ERROR_TOO_MANY_POSTS);
    return FALSE;
  }
  if (previousCount != nullptr) *previousCount = LONG(count);
  SignalLocked(&semaphore->signal, releaseCount);
  return TRUE;
}
