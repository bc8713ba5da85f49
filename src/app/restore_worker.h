// The restore worker: the one background thread of a run. It opens the
// program's own file, reads the container header, decompresses the stream
// into the output sink, and ends every run through the same report: the
// checksum line, the outcome with its beep, and the unattended quit.
#ifndef ZOLT_APP_RESTORE_WORKER_H
#define ZOLT_APP_RESTORE_WORKER_H

#include "platform/win32.h"

constexpr DWORD kWorkerStackSize = 24576;

DWORD WINAPI RestoreWorker(LPVOID);

#endif
