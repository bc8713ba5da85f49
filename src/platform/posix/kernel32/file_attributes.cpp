// GetFileAttributesA over the paths of this machine: whether something is
// there, and whether it is a folder or a block device.
#include <errno.h>
#include <sys/stat.h>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

DWORD GetFileAttributesA(LPCSTR fileName) {
  if (fileName == nullptr) StandInUnsupported("GetFileAttributesA", "a null name");
  struct stat st;
  if (stat(fileName, &st) != 0) {
    // As Windows: a missing last part is a missing file, a missing folder
    // on the way (or one that is a file) a missing path.
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND
                 : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                 : errno == EACCES  ? ERROR_ACCESS_DENIED
                                    : ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISBLK(st.st_mode)) return FILE_ATTRIBUTE_DEVICE;
  return FILE_ATTRIBUTE_NORMAL;
}
