// The open block device behind a device: medium: opening it, its exclusive
// claim while the volume is locked, and the refusal to write under a
// mounted file system.
#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "devices/device_media.h"

namespace {

const char* const kMountTable = "/proc/self/mounts";
const char* const kMountTableOfAll = "/proc/mounts";

// Opens a second descriptor of the device; -1 with errno on failure.
int Reopen(const OpenDevice& device, int extraFlags) {
  int accessFlags = device.noWriteError == 0 ? O_RDWR : O_RDONLY;
  int fd;
  do {
    fd = open(device.path.c_str(), (device.flags & ~O_ACCMODE) | accessFlags | extraFlags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Where a file system on the device is mounted; false when none is.
bool MountedAt(const OpenDevice& device, std::string* where) {
  return MountedFileSystemOn(device.number, kMountTable, where) ||
         MountedFileSystemOn(device.number, kMountTableOfAll, where);
}

// Says once on stderr why the device is not written: the user chose it,
// and the program's own message names only a drive letter.
void TellRefusal(const OpenDevice& device, const std::string& why) {
  if (device.refusalTold) return;
  device.refusalTold = true;
  fprintf(stderr, "zolt: %s is not written: %s\n", device.path.c_str(), why.c_str());
  fflush(stderr);
}

// A mounted file system, or any other exclusive holder of the device (a
// mount made in another mount namespace, a RAID or device-mapper member):
// the kernel refuses an exclusive open of a block device with EBUSY while
// one of them holds it or one of its partitions. Says which.
bool DeviceInUse(const OpenDevice& device) {
  std::string where;
  if (MountedAt(device, &where)) {
    const bool ownProgram = HoldsFile(device.number, "/proc/self/exe");
    TellRefusal(device, ownProgram ? "it holds this program, on the file system mounted on " + where
                                   : "a file system on it is mounted on " + where +
                                         " (unmount it first)");
    return true;
  }
  int probe = Reopen(device, O_EXCL);
  if (probe < 0 && errno == EBUSY) {
    TellRefusal(device, "another program holds it (a mount elsewhere, a RAID or volume member)");
    return true;
  }
  if (probe >= 0) close(probe);
  return false;
}

}  // namespace

DWORD Win32ErrorOfDevice(int error, DWORD otherwise) {
  switch (error) {
    case ENXIO:      // no medium (the floppy driver, an unbound loop device)
    case ENOMEDIUM:  // no medium (SCSI disks: card readers, USB drives)
    case ENODEV:
      return ERROR_NOT_READY;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EACCES:
    case EPERM:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    default:
      return otherwise;
  }
}

DWORD OpenBlockDevice(const std::string& path, int flags, OpenDevice* device) {
  device->path = path;
  device->flags = (flags & ~(O_ACCMODE | O_EXCL)) | O_CLOEXEC;
  device->locked = false;
  device->refusalTold = false;
  device->noWriteError = 0;
  device->fd = Reopen(*device, 0);
  if (device->fd < 0) {
    // A write-protected medium or a read-only device refuses a descriptor
    // for writing; reading it is still of use, and writes say why not.
    int refusal = errno;
    if (refusal != EROFS && refusal != EACCES && refusal != EPERM)
      return Win32ErrorOfDevice(refusal, ERROR_NOT_READY);
    device->noWriteError = Win32ErrorOfDevice(refusal, ERROR_ACCESS_DENIED);
    device->fd = Reopen(*device, 0);
    if (device->fd < 0) return Win32ErrorOfDevice(errno, ERROR_NOT_READY);
  }
  struct stat st;
  if (fstat(device->fd, &st) != 0 || !S_ISBLK(st.st_mode)) {
    CloseBlockDevice(device);
    return ERROR_INVALID_FUNCTION;
  }
  device->number = st.st_rdev;
  return ERROR_SUCCESS;
}

void CloseBlockDevice(OpenDevice* device) {
  if (device->fd >= 0) close(device->fd);
  device->fd = -1;
  device->locked = false;
}

DWORD LockBlockDevice(OpenDevice* device) {
  if (device->locked) return ERROR_SUCCESS;
  if (DeviceInUse(*device)) return ERROR_ACCESS_DENIED;
  // The claim goes with a descriptor, so the one in use is replaced rather
  // than joined by a second: the floppy driver formats only through the
  // one descriptor of a drive that is open once.
  int exclusive = Reopen(*device, O_EXCL);
  if (exclusive < 0) return Win32ErrorOfDevice(errno, ERROR_ACCESS_DENIED);
  close(device->fd);
  device->fd = exclusive;
  device->locked = true;
  return ERROR_SUCCESS;
}

void UnlockBlockDevice(OpenDevice* device) {
  if (!device->locked) return;
  int shared = Reopen(*device, 0);
  if (shared < 0) return;  // keeps the claim rather than losing the device
  close(device->fd);
  device->fd = shared;
  device->locked = false;
}

DWORD WriteRefusal(const OpenDevice& device) {
  // While the claim is held nothing can be mounted.
  if (!device.locked && DeviceInUse(device)) return ERROR_ACCESS_DENIED;
  // A device the kernel marks read-only now (a card's write-protect switch,
  // a read-only loop device) may have been opened for writing and refuse
  // only the writes, or have refused the open with EACCES as for a user
  // without the right: its mark tells.
  int readOnly = 0;
  if (ioctl(device.fd, BLKROGET, &readOnly) == 0 && readOnly != 0) return ERROR_WRITE_PROTECT;
  return device.noWriteError;
}
