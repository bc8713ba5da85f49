// Internal interface of the standard streams' handles (GetStdHandle).
#ifndef ZOLT_PLATFORM_POSIX_STANDARD_STREAMS_H
#define ZOLT_PLATFORM_POSIX_STANDARD_STREAMS_H

#include "platform/posix/windows.h"

// WriteFile on a handle of GetStdHandle: false when `handle` is none
// (WriteFile then tries its other kinds); otherwise true with the call's
// result in `*result`, the error set on failure.
bool WriteStandardStream(HANDLE handle, const void* bytes, DWORD length, LPDWORD written, BOOL* result);

#endif
