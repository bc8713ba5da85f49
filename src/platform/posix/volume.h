// A volume handle ("\\.\A:") of the stand-in: what one CreateFileA of a
// drive holds (the drive's medium, the access asked for, the position of
// the next transfer, whether this handle locked the volume), and the
// helpers shared by the calls on it (volume_handle.cpp, volume_transfer.cpp,
// volume_requests.cpp). Internal to the stand-in.
//
// The medium record belongs to the drive table: a test that replaces the
// table must first close its volume handles.
#ifndef ZOLT_PLATFORM_POSIX_VOLUME_H
#define ZOLT_PLATFORM_POSIX_VOLUME_H

#include <cstdint>
#include <string>

#include "platform/posix/disk_medium.h"

struct Volume {
  HANDLE handle;       // its own handle value, for the trace
  DiskMedium* medium;  // the drive's medium record
  DWORD access;        // GENERIC_READ and GENERIC_WRITE as opened
  uint64_t position;   // of the next ReadFile or WriteFile
};

// A VWIN32 handle ("\\.\vwin32"): the service's object.
struct Vwin32Handle {
  HANDLE handle;  // its own handle value, for the trace
  void* service;
};

// FSCTL_LOCK_VOLUME and FSCTL_UNLOCK_VOLUME: one handle at a time holds a
// volume's lock; another handle's lock is refused (ERROR_ACCESS_DENIED) and
// only the holder can unlock (otherwise ERROR_NOT_LOCKED). Closing the
// holder's handle ends its lock.
DWORD LockVolume(Volume* volume);
DWORD UnlockVolume(Volume* volume);

// The trace's words: " name=value", a handle as " handle=0x40", and the end
// of a line: " result=R" and " error=E" when the call failed.
std::string TraceWord(const char* name, uint64_t value);
std::string TraceHex(const char* name, uint64_t value);
std::string TraceHandle(HANDLE handle);
std::string TraceResult(uint64_t result, bool failed, DWORD error);

#endif
