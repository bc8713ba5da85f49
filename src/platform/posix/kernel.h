// Kernel objects of the POSIX stand-in: threads, named semaphores, waits,
// Sleep and the beeps. Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_KERNEL_H
#define ZOLT_PLATFORM_POSIX_KERNEL_H

// Error numbers (winerror.h) of the kernel objects and GDI calls here.
#define ERROR_NOT_LOCKED 158       // GlobalUnlock of a block that is not locked
#define ERROR_BUSY 170             // DeleteObject of an object still selected into a DC
#define ERROR_TOO_MANY_POSTS 298   // ReleaseSemaphore beyond the maximum count

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

// Threads run on a stack of the requested size (rounded up to the system's
// minimum); the handle is signalled when the thread ends.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId);
DWORD GetCurrentThreadId(void);

// Named semaphores live while a handle to them is open; creating an
// existing name opens it and sets ERROR_ALREADY_EXISTS.
HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                        LPCSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, PLONG previousCount);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);

// With ZOLT_CLOCK=virtual, Sleep returns at once (tests and benchmarks);
// otherwise it sleeps as asked.
void Sleep(DWORD milliseconds);
DWORD GetTickCount(void);

BOOL Beep(DWORD frequency, DWORD duration);
BOOL MessageBeep(UINT type);

// Global memory, as the print dialog hands it over.
typedef HANDLE HGLOBAL;
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);

#endif
