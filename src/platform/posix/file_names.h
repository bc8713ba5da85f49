// Files by name in the POSIX stand-in: MoveFileExA, MoveFileA and
// DeleteFileA, with the errors Windows gives. The program writes and reads
// plain files with the C library; these calls only give a finished file
// its name and remove one. Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_FILE_NAMES_H
#define ZOLT_PLATFORM_POSIX_FILE_NAMES_H

#define MOVEFILE_REPLACE_EXISTING 0x00000001u

// Renames `existing` to `newName`, which must not exist (ERROR_ALREADY_EXISTS).
BOOL MoveFileA(LPCSTR existing, LPCSTR newName);

// The same; with MOVEFILE_REPLACE_EXISTING a file under `newName` is
// replaced (not a read-only one: ERROR_ACCESS_DENIED). Only that flag is in
// the subset. Windows 9x has no such call:
// there it fails with ERROR_CALL_NOT_IMPLEMENTED.
BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags);

// Removes the file `fileName` (not a directory: ERROR_ACCESS_DENIED).
BOOL DeleteFileA(LPCSTR fileName);

#endif
