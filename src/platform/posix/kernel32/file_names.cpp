// MoveFileA, MoveFileExA and DeleteFileA over rename(2) and unlink(2), with
// Windows's rules and error numbers: a move never replaces a file unless
// asked to, never a read-only one, and never a directory; a move between
// file systems needs MOVEFILE_COPY_ALLOWED, which is outside the subset.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

DWORD ErrorOf(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ENOTEMPTY:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// Windows's read-only attribute: a file its owner may not write.
bool ReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL Move(const char* call, LPCSTR existing, LPCSTR newName, bool replace) {
  if (existing == nullptr || newName == nullptr) StandInUnsupported(call, "a null name");
  struct stat from, to;
  if (lstat(existing, &from) != 0) return Fail(ErrorOf(errno));
  if (lstat(newName, &to) == 0) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS);
    // Windows replaces neither a directory nor a read-only file.
    if (S_ISDIR(to.st_mode) || S_ISDIR(from.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (ReadOnly(to)) return Fail(ERROR_ACCESS_DENIED);
    if (rename(existing, newName) != 0) return Fail(ErrorOf(errno));
    return TRUE;
  }
  // Nothing is there: the name is taken only if it is still free.
  if (renameat2(AT_FDCWD, existing, AT_FDCWD, newName, RENAME_NOREPLACE) != 0) return Fail(ErrorOf(errno));
  return TRUE;
}

}  // namespace

BOOL MoveFileA(LPCSTR existing, LPCSTR newName) { return Move("MoveFileA", existing, newName, false); }

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
  if ((flags & ~MOVEFILE_REPLACE_EXISTING) != 0)
    StandInUnsupported("MoveFileExA", "flags other than MOVEFILE_REPLACE_EXISTING");
  // Windows 9x exports the call, but only as a stub.
  if (StandInWindows9x()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  return Move("MoveFileExA", existing, newName, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
}

BOOL DeleteFileA(LPCSTR fileName) {
  if (fileName == nullptr) StandInUnsupported("DeleteFileA", "a null name");
  struct stat st;
  if (lstat(fileName, &st) != 0) return Fail(ErrorOf(errno));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (ReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(fileName) != 0) return Fail(ErrorOf(errno));
  return TRUE;
}
