// Simulated media over image files, for the floppy: and removable: drives
// of ZOLT_DRIVES: the choice of kind and the image file access they share.
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "devices/simulated_media.h"

DiskMedium* OpenSimulatedMedium(DriveEntry* drive) {
  switch (drive->kind) {
    case DriveKind::kFloppy:
      return OpenSimulatedDiskette(drive);
    case DriveKind::kRemovable:
      return OpenSimulatedRemovable(drive);
    default:
      return nullptr;
  }
}

bool ReadImageFile(int fd, uint64_t offset, void* buffer, size_t length, size_t* got) {
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  *got = 0;
  while (*got < length) {
    ssize_t n = pread(fd, bytes + *got, length - *got, off_t(offset + *got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // the end of the file
    *got += size_t(n);
  }
  return true;
}

bool WriteImageFile(int fd, uint64_t offset, const void* buffer, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (done < length) {
    ssize_t n = pwrite(fd, bytes + done, length - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

void ReportImageFileFailure(const DriveEntry* drive, const char* what) {
  fprintf(stderr, "zolt: drive %c: cannot %s the medium file %s: %s\n", drive->letter, what,
          drive->path.c_str(), strerror(errno));
  fflush(stderr);
}

DWORD TakeSimulatedLock(bool* held, bool mediumPresent, bool busy) {
  if (!mediumPresent) return ERROR_NOT_READY;
  if (*held || busy) return ERROR_ACCESS_DENIED;
  *held = true;
  return ERROR_SUCCESS;
}
