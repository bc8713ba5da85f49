// The POSIX stand-in for the Win32 subset that the program calls: the same
// names, types, constants and error numbers as the platform's headers, so
// that the program logic compiles unchanged. Types keep their Win32 widths
// (DWORD and LONG are 32 bits on every host). A call or an argument outside
// the subset fails loudly instead of doing something plausible.
#ifndef ZOLT_PLATFORM_POSIX_WINDOWS_H
#define ZOLT_PLATFORM_POSIX_WINDOWS_H

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int INT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;

typedef void* HANDLE;
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#define WINAPI
#define CALLBACK

#ifndef TRUE
#  define TRUE 1
#endif
#ifndef FALSE
#  define FALSE 0
#endif

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

// Error numbers (winerror.h); kept as they are on Windows, end to end.
#define ERROR_SUCCESS 0
#define ERROR_INVALID_FUNCTION 1
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_DRIVE 15
#define ERROR_WRITE_PROTECT 19
#define ERROR_NOT_READY 21
#define ERROR_CRC 23
#define ERROR_SEEK 25
#define ERROR_NOT_DOS_DISK 26  // DOS: unknown media type
#define ERROR_SECTOR_NOT_FOUND 27
#define ERROR_WRITE_FAULT 29
#define ERROR_GEN_FAILURE 31
#define ERROR_SHARING_VIOLATION 32
#define ERROR_NOT_SAME_DEVICE 17
#define ERROR_READ_FAULT 30
#define ERROR_HANDLE_EOF 38
#define ERROR_NOT_SUPPORTED 50
#define ERROR_CALL_NOT_IMPLEMENTED 120
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_CANNOT_MAKE 82
#define ERROR_INVALID_PARAMETER 87
#define ERROR_ALREADY_EXISTS 183
#define ERROR_MORE_DATA 234
#define ERROR_CANCELLED 1223
#define ERROR_UNRECOGNIZED_MEDIA 1785

// GetDriveTypeA
#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3
#define DRIVE_REMOTE 4
#define DRIVE_CDROM 5
#define DRIVE_RAMDISK 6

// GetVersionExA
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;

// MessageBoxA
#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define IDOK 1
#define IDCANCEL 2

BOOL GetVersionExA(LPOSVERSIONINFOA info);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
UINT GetDriveTypeA(LPCSTR rootPathName);
DWORD GetLogicalDrives(void);

// The devices behind drive letters. QueryDosDeviceA("X:") stores the
// drive's target, then a second NUL, and returns the characters stored;
// for a real device the target is its Linux path ("/dev/fd0"), for a
// simulated drive a name under "\Device\". DefineDosDeviceA with
// DDD_RAW_TARGET_PATH gives a free letter to a block device (the target),
// which then is a drive as a ZOLT_DRIVES device: entry would make it.
#define DDD_RAW_TARGET_PATH 0x00000001u
DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD max);
BOOL DefineDosDeviceA(DWORD flags, LPCSTR deviceName, LPCSTR targetPath);

// GetFileAttributesA of a path of this machine: FILE_ATTRIBUTE_DIRECTORY
// for a folder, FILE_ATTRIBUTE_DEVICE for a block device, else
// FILE_ATTRIBUTE_NORMAL; INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND
// or ERROR_PATH_NOT_FOUND when nothing is there.
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
DWORD GetFileAttributesA(LPCSTR fileName);
DWORD GetLastError(void);
void SetLastError(DWORD error);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// The standard streams. GetStdHandle gives the handle of standard output
// or error as a console program has them, and null while the full-screen
// terminal dialog holds the stream (a window program has none); WriteFile
// writes to such a handle. GetConsoleMode succeeds only for a stream that
// is a terminal (the console), else fails with ERROR_INVALID_HANDLE.
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define ENABLE_PROCESSED_OUTPUT 0x0001u
HANDLE GetStdHandle(DWORD which);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);

// Further parts of the subset, each in its own header.
#include "platform/posix/kernel.h"  // threads, semaphores, waits, Sleep, Beep
#include "platform/posix/files.h"   // volumes and the VWIN32 service
#include "platform/posix/file_names.h"  // renaming and deleting files
#include "platform/posix/winioctl.h"  // disk and volume control requests
#include "platform/posix/gdi.h"     // device contexts and drawing, recorded
#include "platform/posix/user.h"    // dialogs, controls, messages, message boxes
#include "platform/posix/commdlg.h" // the print dialog

// The process entry of the program; the stand-in's main() calls it with the
// command line less the program name, as Windows does, and sets __argc and
// __argv, as the C runtime of Windows does, to the arguments as the shell
// passed them (__argv[0] the program's name).
extern int __argc;
extern char** __argv;
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

#endif
