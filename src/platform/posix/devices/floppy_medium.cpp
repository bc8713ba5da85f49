// A diskette in a drive of the Linux floppy driver (/dev/fdN) as a medium.
//
// The driver's behaviour that this follows:
// - The drive is opened with O_NDELAY, as Windows opens "\\.\A:" whatever
//   is in the drive: without it, open fails with ENXIO when the drive is
//   empty and with EROFS for writing on a write-protected medium.
// - Transfers use O_DIRECT. Through the page cache a write would fail only
//   later, at fsync, and whole 4 KiB blocks would be read around it, which
//   spill into the next track (unformatted while formatting as we copy).
// - The driver keeps the last track it transferred in a buffer of its own
//   and serves reads of that track from it, even after a write that the
//   drive refused; FDFLUSH drops it, so a read-back after a write sees the
//   medium.
// - FD_DISK_CHANGED stays set in the drive state from a medium change until
//   the driver revalidates the drive, which FDFLUSH makes it do; if it is
//   still set afterwards, the drive is empty. FD_DISK_WRITABLE is read at
//   each revalidation.
// - FDGETPRM tells the geometry the driver reads the medium in: the one set
//   with FDSETPRM, or the one it found by reading the first sector in each
//   format its drive type can carry; ENODEV when none of them could be
//   read. Transfers at other offsets of the geometry fail with EIO
//   ("sector not found"), as do all when the geometry is not the medium's.
#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "devices/device_media.h"
#include "devices/diskette_drives.h"
#include "devices/floppy_formats.h"

namespace {

constexpr int kSectorBytes = 512;
// Direct transfers need a buffer aligned to the sector size.
constexpr size_t kDirectAlignment = 512;

struct Floppy {
  std::mutex lock;
  OpenDevice device;
  int cmosType;                // the drive's type, which decides the formats it can carry
  bool layoutKnown = false;    // `layout` holds for the medium in the drive
  DiskLayout layout{0, 0, 0};  // as the last query found it or the last format laid it
                               // down; all 0 when no format reads
};

Floppy* StateOf(DiskMedium* medium) { return static_cast<Floppy*>(medium->state); }

int Request(const Floppy* f, unsigned long request, void* argument = nullptr) {
  int result;
  do {
    result = ioctl(f->device.fd, request, argument);
  } while (result < 0 && errno == EINTR);
  return result;
}

// Asks the drive whether a medium is in it and whether it is writable.
DWORD PollDrive(Floppy* f, floppy_drive_struct* state) {
  if (Request(f, FDPOLLDRVSTAT, state) != 0) return Win32ErrorOfDevice(errno, ERROR_NOT_READY);
  if ((state->flags & FD_DISK_CHANGED) == 0) return ERROR_SUCCESS;
  // Changed since the last transfer: let the driver revalidate the drive,
  // and find the new medium's layout anew.
  f->layoutKnown = false;
  Request(f, FDFLUSH);
  if (Request(f, FDPOLLDRVSTAT, state) != 0) return Win32ErrorOfDevice(errno, ERROR_NOT_READY);
  return (state->flags & FD_DISK_CHANGED) != 0 ? ERROR_NOT_READY : ERROR_SUCCESS;
}

// The layout the driver reads the medium in now; false when it has none
// (or one with sectors of another size than 512 bytes).
bool PresentLayout(Floppy* f, DiskLayout* layout, floppy_struct* parameters = nullptr) {
  floppy_struct p;
  if (Request(f, FDGETPRM, &p) != 0) return false;
  if ((p.rate & FD_2M) != 0 || FD_SECTSIZE(&p) != kSectorBytes) return false;
  *layout = DiskLayout{int(p.sect), int(p.head), int(p.track)};
  if (parameters != nullptr) *parameters = p;
  return layout->sectorsPerTrack > 0 && layout->heads > 0 && layout->cylinders > 0;
}

bool SameLayout(const DiskLayout& a, const DiskLayout& b) {
  return a.sectorsPerTrack == b.sectorsPerTrack && a.heads == b.heads && a.cylinders == b.cylinders;
}

struct FreeAligned {
  void operator()(void* p) const { free(p); }
};
typedef std::unique_ptr<uint8_t, FreeAligned> AlignedBuffer;

AlignedBuffer NewAligned(size_t bytes) {
  void* p = nullptr;
  if (posix_memalign(&p, kDirectAlignment, bytes) != 0) return AlignedBuffer();
  return AlignedBuffer(static_cast<uint8_t*>(p));
}

// One whole transfer; false with errno on failure (a short one: ENOSPC).
bool Transfer(Floppy* f, bool write, off_t offset, uint8_t* buffer, size_t length) {
  ssize_t n;
  do {
    n = write ? pwrite(f->device.fd, buffer, length, offset)
              : pread(f->device.fd, buffer, length, offset);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  if (size_t(n) != length) {
    errno = ENOSPC;
    return false;
  }
  return true;
}

// The Win32 error for a failed transfer or format: an empty drive, a
// write-protected medium (for a write), else the medium's own failure. The
// driver says EIO for each of them.
DWORD FailureCause(Floppy* f, int error, bool writing, DWORD mediumFailure) {
  if (error != EIO && error != ENOSPC) return Win32ErrorOfDevice(error, mediumFailure);
  floppy_drive_struct state;
  DWORD drive = PollDrive(f, &state);
  if (drive != ERROR_SUCCESS) return drive;
  if (writing && (state.flags & FD_DISK_WRITABLE) == 0) return ERROR_WRITE_PROTECT;
  return mediumFailure;
}

// Whether the first sector reads in the layout the driver has now.
bool FirstSectorReads(Floppy* f) {
  AlignedBuffer sector = NewAligned(kSectorBytes);
  return sector && Transfer(f, false, 0, sector.get(), kSectorBytes);
}

// The layout in which the medium's first sector reads, all 0 for none.
DiskLayout FindLayout(Floppy* f) {
  DiskLayout layout;
  if (!PresentLayout(f, &layout)) return DiskLayout{0, 0, 0};  // unreadable in every format
  if (FirstSectorReads(f)) return layout;
  // Not in the layout set for it (another format, or unformatted): the
  // driver looks for the medium's format anew.
  if (Request(f, FDCLRPRM) == 0 && PresentLayout(f, &layout) && FirstSectorReads(f)) return layout;
  return DiskLayout{0, 0, 0};
}

// The volume asks before every transfer, so the layout is found once per
// medium (reading the first sector means a seek to cylinder 0 and back)
// and kept until a medium change, a dismount or a format.
DWORD Query(DiskMedium* medium, MediumInfo* info) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  *info = MediumInfo{false, 0, DiskLayout{0, 0, 0}};
  floppy_drive_struct state;
  DWORD error = PollDrive(f, &state);
  if (error != ERROR_SUCCESS) return error;
  if (!f->layoutKnown) {
    f->layout = FindLayout(f);
    f->layoutKnown = true;
  }
  info->layout = f->layout;
  return ERROR_SUCCESS;
}

// The drive by its CMOS type, with the internal floppy driver's media
// types for it.
void DescribeDrive(DiskMedium* medium, DriveInfo* info) {
  const DisketteDrive type = DisketteDriveOfCmos(StateOf(medium)->cmosType);
  *info = DriveInfo{true, false, type, InternalDriveMediaTypes(type)};
}

// The offset of a run of sectors of one track in the present layout; false
// when the layout has no such sectors.
bool SectorsAt(Floppy* f, int cylinder, int head, int sector, int count, off_t* offset) {
  DiskLayout l;
  if (!PresentLayout(f, &l)) return false;
  if (cylinder < 0 || cylinder >= l.cylinders || head < 0 || head >= l.heads || sector < 1 ||
      count < 1 || sector + count - 1 > l.sectorsPerTrack)
    return false;
  *offset = (off_t(cylinder * l.heads + head) * l.sectorsPerTrack + sector - 1) * kSectorBytes;
  return true;
}

// The driver reads at the data rate of the geometry it has, whatever
// `density` asks.
DWORD ReadSectors(DiskMedium* medium, int cylinder, int head, int sector, int count, Density,
                  void* buffer) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  off_t offset;
  if (!SectorsAt(f, cylinder, head, sector, count, &offset)) {
    floppy_drive_struct state;
    DWORD drive = PollDrive(f, &state);
    return drive != ERROR_SUCCESS ? drive : ERROR_SECTOR_NOT_FOUND;
  }
  size_t length = size_t(count) * kSectorBytes;
  AlignedBuffer direct = NewAligned(length);
  if (!direct) return ERROR_NOT_ENOUGH_MEMORY;
  if (!Transfer(f, false, offset, direct.get(), length))
    return FailureCause(f, errno, false, ERROR_SECTOR_NOT_FOUND);
  memcpy(buffer, direct.get(), length);
  return ERROR_SUCCESS;
}

// Whether the medium takes writes now.
DWORD WritableNow(Floppy* f) {
  DWORD refusal = WriteRefusal(f->device);
  if (refusal != ERROR_SUCCESS) return refusal;
  floppy_drive_struct state;
  DWORD error = PollDrive(f, &state);
  if (error != ERROR_SUCCESS) return error;
  return (state.flags & FD_DISK_WRITABLE) == 0 ? ERROR_WRITE_PROTECT : ERROR_SUCCESS;
}

DWORD WriteSectors(DiskMedium* medium, int cylinder, int head, int sector, int count, Density,
                   const void* buffer) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  DWORD error = WritableNow(f);
  if (error != ERROR_SUCCESS) return error;
  off_t offset;
  if (!SectorsAt(f, cylinder, head, sector, count, &offset)) return ERROR_SECTOR_NOT_FOUND;
  size_t length = size_t(count) * kSectorBytes;
  AlignedBuffer direct = NewAligned(length);
  if (!direct) return ERROR_NOT_ENOUGH_MEMORY;
  memcpy(direct.get(), buffer, length);
  bool written = Transfer(f, true, offset, direct.get(), length);
  int cause = errno;
  Request(f, FDFLUSH);
  return written ? ERROR_SUCCESS : FailureCause(f, cause, true, ERROR_SECTOR_NOT_FOUND);
}

// FDFMTTRK lays a track down in the driver's own way: sectors numbered from
// 1 with its own interleave (1:1, or 2:1 for tight gaps such as the
// 21-sector format's) and skew between tracks, filled with 0xF6. It takes
// no list of sector numbers, so `numbers` goes unused: the sectors are
// found by number, so the order on the track changes only the speed.
DWORD FormatTrack(DiskMedium* medium, int cylinder, int head, const DiskLayout& layout,
                  const uint16_t*, int count) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  if (count != layout.sectorsPerTrack) return ERROR_INVALID_PARAMETER;
  DWORD error = WritableNow(f);
  if (error != ERROR_SUCCESS) return error;
  DiskLayout present;
  if (!PresentLayout(f, &present) || !SameLayout(present, layout)) {
    floppy_struct parameters;
    if (!StandardFloppyParameters(layout, f->cmosType, &parameters)) return ERROR_INVALID_PARAMETER;
    if (Request(f, FDSETPRM, &parameters) != 0)
      return Win32ErrorOfDevice(errno, ERROR_INVALID_PARAMETER);
  }
  if (Request(f, FDFMTBEG) != 0) return Win32ErrorOfDevice(errno, ERROR_WRITE_FAULT);
  format_descr track{0, unsigned(head), unsigned(cylinder)};  // device: unused by the driver
  int formatted = Request(f, FDFMTTRK, &track);
  int cause = errno;
  Request(f, FDFMTEND);  // also drops the driver's buffers
  if (formatted == 0) {
    f->layout = layout;
    f->layoutKnown = true;
    return ERROR_SUCCESS;
  }
  if (cause == EINVAL) return ERROR_INVALID_PARAMETER;
  return FailureCause(f, cause, true, ERROR_WRITE_FAULT);
}

// A diskette has no byte transfers: those are for large media.
DWORD NoBytes(DiskMedium*, uint64_t, void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;
}
DWORD NoBytesWritten(DiskMedium*, uint64_t, const void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;
}

DWORD Lock(DiskMedium* medium) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  floppy_drive_struct state;
  DWORD error = PollDrive(f, &state);
  if (error != ERROR_SUCCESS) return error;
  return LockBlockDevice(&f->device);
}

void Unlock(DiskMedium* medium) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  UnlockBlockDevice(&f->device);
}

void Flush(DiskMedium* medium) {
  Floppy* f = StateOf(medium);
  std::lock_guard<std::mutex> hold(f->lock);
  Request(f, FDFLUSH);
  f->layoutKnown = false;  // the medium may have been changed meanwhile
}

void Close(DiskMedium* medium) {
  Floppy* f = StateOf(medium);
  CloseBlockDevice(&f->device);
  delete f;
  delete medium;
}

const MediumMethods kFloppyMethods = {
    Query,   DescribeDrive,  ReadSectors, WriteSectors, FormatTrack, NoBytes,
    NoBytesWritten, Lock, Unlock,      Flush,        Close,
};

}  // namespace

bool IsFloppyDriverDevice(const OpenDevice& device) {
  // The driver's block major; FDGETDRVTYP answers only on its devices.
  constexpr unsigned kFloppyMajor = 2;
  if (major(device.number) == kFloppyMajor) return true;
  floppy_drive_name name;
  return ioctl(device.fd, FDGETDRVTYP, name) == 0;
}

DiskMedium* OpenFloppyMedium(DriveEntry* drive, const OpenDevice& device) {
  Floppy* f = new Floppy;
  f->device = device;
  floppy_drive_params params;
  f->cmosType = ioctl(device.fd, FDGETDRVPRM, &params) == 0 ? params.cmos : 0;
  return new DiskMedium{&kFloppyMethods, drive, f};
}
