// Any other block device (a USB stick, a card reader, a loop device) as a
// large removable medium: bytes at offsets, up to the size the kernel gives
// for it now, which is 0 while a reader has no card in it.
//
// Transfers go through the page cache (the program's transfers need not be
// aligned to the device's own block size, which O_DIRECT would demand),
// and each write is synced before it counts, so that its failure shows on
// the write itself, as on Windows' unbuffered volume handle. A read drops
// the cached blocks of its range first, so that it comes from the medium:
// the writer's read-back must see what the device holds, not what the
// cache kept of the write.
#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "devices/device_media.h"

namespace {

struct Block {
  std::mutex lock;
  OpenDevice device;
};

Block* StateOf(DiskMedium* medium) { return static_cast<Block*>(medium->state); }

DWORD MediumSize(const Block* b, uint64_t* size) { return DeviceMediumSize(b->device, size); }

// How much of `length` bytes from `offset` lies on the medium.
uint32_t Within(uint64_t size, uint64_t offset, uint32_t length) {
  if (offset >= size) return 0;
  return uint32_t(std::min<uint64_t>(length, size - offset));
}

DWORD Query(DiskMedium* medium, MediumInfo* info) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  *info = MediumInfo{true, 0, DiskLayout{0, 0, 0}};
  return MediumSize(b, &info->sizeBytes);
}

DWORD ReadBytes(DiskMedium* medium, uint64_t offset, void* buffer, uint32_t length,
                uint32_t* done) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  return ReadDeviceBytes(b->device, offset, buffer, length, done);
}

DWORD WriteBytes(DiskMedium* medium, uint64_t offset, const void* buffer, uint32_t length,
                 uint32_t* done) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  return WriteDeviceBytes(b->device, offset, buffer, length, done);
}

// Not a diskette drive: a disk of large removable media.
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

DWORD Lock(DiskMedium* medium) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  uint64_t size;
  DWORD error = MediumSize(b, &size);
  if (error != ERROR_SUCCESS) return error;
  return LockBlockDevice(&b->device);
}

void Unlock(DiskMedium* medium) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  UnlockBlockDevice(&b->device);
}

// Writes are synced already; BLKFLSBUF drops the cached blocks, so that the
// next read comes from the medium (it needs CAP_SYS_ADMIN; without it the
// cache stays, which only costs the freshness of a changed medium).
void Flush(DiskMedium* medium) {
  Block* b = StateOf(medium);
  std::lock_guard<std::mutex> hold(b->lock);
  fsync(b->device.fd);
  ioctl(b->device.fd, BLKFLSBUF, 0);
}

void Close(DiskMedium* medium) {
  Block* b = StateOf(medium);
  CloseBlockDevice(&b->device);
  delete b;
  delete medium;
}

const MediumMethods kBlockMethods = {
    Query,      DescribeDrive, NoSectors, NoSectorsWritten, NoFormat, ReadBytes,
    WriteBytes, Lock,          Unlock,    Flush,            Close,
};

}  // namespace

DWORD DeviceMediumSize(const OpenDevice& device, uint64_t* size) {
  *size = 0;
  if (ioctl(device.fd, BLKGETSIZE64, size) != 0) return Win32ErrorOfDevice(errno, ERROR_NOT_READY);
  return *size == 0 ? ERROR_NOT_READY : ERROR_SUCCESS;
}

DWORD ReadDeviceBytes(const OpenDevice& device, uint64_t offset, void* buffer, uint32_t length,
                      uint32_t* done) {
  *done = 0;
  uint64_t size;
  DWORD error = DeviceMediumSize(device, &size);
  if (error != ERROR_SUCCESS) return error;
  uint32_t within = Within(size, offset, length);
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  // Every write has been synced, so the range holds no dirty block that
  // this could lose; clean ones are dropped.
  posix_fadvise(device.fd, off_t(offset), off_t(within), POSIX_FADV_DONTNEED);
  while (*done < within) {
    ssize_t n = pread(device.fd, bytes + *done, within - *done, off_t(offset + *done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Win32ErrorOfDevice(errno, ERROR_CRC);
    if (n == 0) break;  // the medium shrank under us
    *done += uint32_t(n);
  }
  return ERROR_SUCCESS;
}

DWORD WriteDeviceBytes(const OpenDevice& device, uint64_t offset, const void* buffer,
                       uint32_t length, uint32_t* done) {
  *done = 0;
  uint64_t size;
  DWORD error = DeviceMediumSize(device, &size);
  if (error != ERROR_SUCCESS) return error;
  error = WriteRefusal(device);
  if (error != ERROR_SUCCESS) return error;
  uint32_t within = Within(size, offset, length);
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  uint32_t sent = 0;
  while (sent < within) {
    ssize_t n = pwrite(device.fd, bytes + sent, within - sent, off_t(offset + sent));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Win32ErrorOfDevice(n < 0 ? errno : ENOSPC, ERROR_WRITE_FAULT);
    sent += uint32_t(n);
  }
  if (fdatasync(device.fd) != 0) return Win32ErrorOfDevice(errno, ERROR_WRITE_FAULT);
  *done = sent;
  return ERROR_SUCCESS;
}

DiskMedium* OpenBlockMedium(DriveEntry* drive, const OpenDevice& device) {
  Block* b = new Block;
  b->device = device;
  return new DiskMedium{&kBlockMethods, drive, b};
}
