// Files and devices of the POSIX stand-in: CreateFileA on a volume
// ("\\.\A:") or on the VWIN32 service ("\\.\vwin32"), the transfers on
// such a handle, and DeviceIoControl. The program opens no plain file this
// way (it uses the C library), so a plain path is outside the subset.
// Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_FILES_H
#define ZOLT_PLATFORM_POSIX_FILES_H

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define ERROR_NEGATIVE_SEEK 131  // SetFilePointer to before the start

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                     LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                     LPOVERLAPPED overlapped);

#endif
