// A simulated large removable medium (a Zip or LS-120 disk, a memory card)
// over an image file: no tracks, only bytes, read and written in the file
// in place. Its size is the file's; a transfer reaching past the end is cut
// short and a write never grows the file, as a disk has the size it has.
//
// Of the medium options only readonly, empty and busy apply. A missing file is no
// medium either (ERROR_NOT_READY): unlike a diskette, a removable medium
// has no format from which an empty one could be made. fail-write and
// fail-format name diskette tracks and are ignored here.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "devices/simulated_media.h"

namespace {

struct Removable {
  std::mutex lock;
  DriveEntry* drive;
  int fd = -1;        // -1: no medium
  uint64_t size = 0;  // the file's size when the drive was first used
  bool locked = false;
};

Removable* StateOf(DiskMedium* medium) { return static_cast<Removable*>(medium->state); }

DWORD Query(DiskMedium* medium, MediumInfo* info) {
  Removable* r = StateOf(medium);
  if (r->fd < 0) return ERROR_NOT_READY;
  info->largeRemovable = true;
  info->sizeBytes = r->size;
  info->layout = DiskLayout{0, 0, 0};
  return ERROR_SUCCESS;
}

void DescribeDrive(DiskMedium*, DriveInfo* info) { *info = DriveInfo{}; }

// A large medium has no diskette tracks: the disk driver knows no such
// request for it.
DWORD NoSectors(DiskMedium*, int, int, int, int, Density, void*) { return ERROR_INVALID_FUNCTION; }
DWORD NoSectorsWritten(DiskMedium*, int, int, int, int, Density, const void*) {
  return ERROR_INVALID_FUNCTION;
}
DWORD NoFormat(DiskMedium*, int, int, const DiskLayout&, const uint16_t*, int) {
  return ERROR_INVALID_FUNCTION;
}

// How much of `length` bytes from `offset` lies on the medium.
uint32_t Within(const Removable* r, uint64_t offset, uint32_t length) {
  if (offset >= r->size) return 0;
  return uint32_t(std::min<uint64_t>(length, r->size - offset));
}

DWORD ReadBytes(DiskMedium* medium, uint64_t offset, void* buffer, uint32_t length,
                uint32_t* done) {
  Removable* r = StateOf(medium);
  std::lock_guard<std::mutex> hold(r->lock);
  *done = 0;
  if (r->fd < 0) return ERROR_NOT_READY;
  size_t got;
  if (!ReadImageFile(r->fd, offset, buffer, Within(r, offset, length), &got)) {
    ReportImageFileFailure(r->drive, "read");
    return ERROR_READ_FAULT;
  }
  *done = uint32_t(got);
  return ERROR_SUCCESS;
}

DWORD WriteBytes(DiskMedium* medium, uint64_t offset, const void* buffer, uint32_t length,
                 uint32_t* done) {
  Removable* r = StateOf(medium);
  std::lock_guard<std::mutex> hold(r->lock);
  *done = 0;
  if (r->fd < 0) return ERROR_NOT_READY;
  if (r->drive->readonly) return ERROR_WRITE_PROTECT;
  uint32_t within = Within(r, offset, length);
  if (!WriteImageFile(r->fd, offset, buffer, within)) {
    ReportImageFileFailure(r->drive, "write");
    return ERROR_WRITE_FAULT;
  }
  *done = within;
  return ERROR_SUCCESS;
}

DWORD Lock(DiskMedium* medium) {
  Removable* r = StateOf(medium);
  std::lock_guard<std::mutex> hold(r->lock);
  return TakeSimulatedLock(&r->locked, r->fd >= 0, r->drive->busy);
}

void Unlock(DiskMedium* medium) {
  Removable* r = StateOf(medium);
  std::lock_guard<std::mutex> hold(r->lock);
  r->locked = false;
}

// Every transfer goes to the file at once: nothing is buffered.
void Flush(DiskMedium*) {}

void Close(DiskMedium* medium) {
  Removable* r = StateOf(medium);
  if (r->fd >= 0) close(r->fd);
  delete r;
  delete medium;
}

const MediumMethods kRemovableMethods = {
    Query,      DescribeDrive, NoSectors, NoSectorsWritten, NoFormat, ReadBytes,
    WriteBytes, Lock,          Unlock,    Flush,            Close,
};

}  // namespace

DiskMedium* OpenSimulatedRemovable(DriveEntry* drive) {
  Removable* r = new Removable;
  r->drive = drive;
  if (!drive->empty) {
    r->fd = open(drive->path.c_str(), (drive->readonly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    struct stat st;
    if (r->fd >= 0 && fstat(r->fd, &st) == 0) {
      r->size = uint64_t(st.st_size);
    } else if (r->fd >= 0 || errno != ENOENT) {
      ReportImageFileFailure(drive, "open");
      if (r->fd >= 0) close(r->fd);
      delete r;
      return nullptr;
    }
  }
  return new DiskMedium{&kRemovableMethods, drive, r};
}
