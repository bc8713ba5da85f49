// The stand-in's table of kernel handles. Every kernel object the program
// holds (threads and semaphores; volumes, the VWIN32 service and the
// standard streams) is reached through a HANDLE value of this one table, as
// in a Windows process, so that CloseHandle, WaitForSingleObject and the error for a stale or
// wrong handle behave alike for every kind of object.
//
// As on Windows, a handle value is a small multiple of 4, never 0 and never
// INVALID_HANDLE_VALUE. Values are not reused, so a closed handle stays
// invalid for the life of the process instead of silently naming a newer
// object.
#ifndef ZOLT_PLATFORM_POSIX_HANDLES_H
#define ZOLT_PLATFORM_POSIX_HANDLES_H

#include "platform/posix/windows.h"

enum HandleKind {
  kHandleThread,     // CreateThread; the object is the thread's record
  kHandleSemaphore,  // CreateSemaphoreA
  kHandleVolume,     // CreateFileA on "\\.\A:" and the like
  kHandleVwin32,     // CreateFileA on "\\.\vwin32"
  kHandleStandard,   // GetStdHandle: the object is the stream's descriptor
};

// Releases one handle's hold on its object. Runs once per handle, after
// CloseHandle and after the last call using the handle has returned, so an
// object never goes away under a call in progress on another thread. It
// must not fail; the table keeps the caller's last error across it.
typedef void (*HandleCloseFunction)(void* object);

// The signal state of an object that WaitForSingleObject can wait on
// (kernel_sync.h); null for the other kinds.
struct KernelSignal;

// Enters `object` in the table and returns its new handle.
HANDLE OpenKernelHandle(HandleKind kind, void* object, HandleCloseFunction close,
                        KernelSignal* signal);

struct HandleEntry;

// One call's use of the object behind a handle: the object stays alive
// while the use lasts, even when another thread closes the handle
// meanwhile. An unknown handle, or one of another kind than asked, gives an
// invalid use and sets ERROR_INVALID_HANDLE (Windows reports a handle of
// the wrong object type with the same error).
class HandleUse {
 public:
  HandleUse(HANDLE handle, HandleKind kind);
  explicit HandleUse(HANDLE handle);  // any kind
  ~HandleUse();
  HandleUse(const HandleUse&) = delete;
  HandleUse& operator=(const HandleUse&) = delete;

  bool valid() const { return entry_ != nullptr; }
  HandleKind kind() const;
  void* object() const;
  KernelSignal* signal() const;

 private:
  HandleEntry* entry_;
};

// Removes `handle` from the table; its close function runs now or when the
// last use ends. False with ERROR_INVALID_HANDLE for an unknown handle.
bool CloseKernelHandle(HANDLE handle);

#endif
