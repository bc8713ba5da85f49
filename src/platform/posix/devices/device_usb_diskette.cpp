// A diskette in a USB diskette drive (a SCSI disk behind usb-storage that
// speaks the UFI command set) as a medium.
//
// The drive senses the medium and reports one format at a time as its
// capacity, in 512-byte blocks: 1,280 (80 x 2 x 8), 1,440 (720K), 2,400
// (80 x 2 x 15), 2,880 (1.44M) or 3,360 (the 21-sector distribution
// format), every one 80 cylinders on two heads; no capacity while the drive
// is empty. The sd driver gives the blocks at linear addresses, so a track
// transfer goes to ((C x 2 + H) x sectors + S - 1) x 512 of the device in
// the layout the capacity names, and a sector beyond that layout does not
// exist. Reads come from the medium and writes are synced, as for any other
// disk device (device_block_medium.cpp).
//
// Laying down another format takes a FORMAT UNIT command per track, which
// the sd driver does not send: this port cannot format such a diskette.
// The drive therefore lists no media types it formats, so that a run that
// would have to format is refused before anything is written; a diskette
// already in the image's format is written as it is.
#include <cstdio>
#include <mutex>

#include "devices/device_media.h"

namespace {

constexpr int kSectorBytes = 512;
constexpr int kCylinders = 80;
constexpr int kHeads = 2;

struct UsbFormat {
  uint64_t blocks;
  int sectorsPerTrack;
  const char* name;
};
const UsbFormat kFormats[] = {
    {1280, 8, "640K"}, {1440, 9, "720K"}, {2400, 15, "1.2M"}, {2880, 18, "1.44M"}, {3360, 21, "1.68M"},
};

struct UsbDiskette {
  std::mutex lock;
  OpenDevice device;
  uint64_t toldSize = 0;  // the capacity last described on stderr
};

UsbDiskette* StateOf(DiskMedium* medium) { return static_cast<UsbDiskette*>(medium->state); }

const UsbFormat* FormatOfSize(uint64_t bytes) {
  for (const UsbFormat& f : kFormats)
    if (f.blocks * kSectorBytes == bytes) return &f;
  return nullptr;
}

// Says once per medium what the drive holds and what it can take here.
void TellMedium(UsbDiskette* u, uint64_t bytes) {
  if (u->toldSize == bytes) return;
  u->toldSize = bytes;
  const UsbFormat* f = FormatOfSize(bytes);
  if (f != nullptr) {
    fprintf(stderr,
            "zolt: %s is a USB diskette drive holding a %s diskette (80 x 2 x %d); it cannot "
            "be formatted here, so only an image of that format is written onto it\n",
            u->device.path.c_str(), f->name, f->sectorsPerTrack);
  } else {
    fprintf(stderr,
            "zolt: %s is a USB diskette drive whose diskette (%llu bytes) is in no format it "
            "reads; it cannot be formatted here\n",
            u->device.path.c_str(), (unsigned long long)bytes);
  }
}

// The layout the drive reads the medium in now; all 0 for a capacity that
// is no diskette format.
DWORD PresentLayout(UsbDiskette* u, DiskLayout* layout) {
  *layout = DiskLayout{0, 0, 0};
  uint64_t size;
  DWORD error = DeviceMediumSize(u->device, &size);
  if (error != ERROR_SUCCESS) return error;
  TellMedium(u, size);
  if (const UsbFormat* f = FormatOfSize(size)) *layout = DiskLayout{f->sectorsPerTrack, kHeads, kCylinders};
  return ERROR_SUCCESS;
}

DWORD Query(DiskMedium* medium, MediumInfo* info) {
  UsbDiskette* u = StateOf(medium);
  std::lock_guard<std::mutex> hold(u->lock);
  *info = MediumInfo{false, 0, DiskLayout{0, 0, 0}};
  DWORD error = PresentLayout(u, &info->layout);
  info->sizeBytes = uint64_t(info->layout.sectorsPerTrack) * kHeads * kCylinders * kSectorBytes;
  return error;
}

void DescribeDrive(DiskMedium*, DriveInfo* info) {
  *info = DriveInfo{true, true, DisketteDrive::k1440K, {}};
}

// The device offset of a track transfer, or the error of one that leaves
// the present layout. The drive senses the density itself.
DWORD TrackOffset(UsbDiskette* u, int cylinder, int head, int sector, int count, uint64_t* offset) {
  DiskLayout layout;
  DWORD error = PresentLayout(u, &layout);
  if (error != ERROR_SUCCESS) return error;
  if (layout.sectorsPerTrack == 0 || cylinder < 0 || cylinder >= layout.cylinders || head < 0 ||
      head >= layout.heads || sector < 1 || count < 1 || sector - 1 + count > layout.sectorsPerTrack)
    return ERROR_SECTOR_NOT_FOUND;
  *offset = ((uint64_t(cylinder) * layout.heads + head) * layout.sectorsPerTrack + sector - 1) * kSectorBytes;
  return ERROR_SUCCESS;
}

// `count` sectors of one track, read or written (`data` is the buffer of
// either) at their blocks in the present layout.
DWORD Transfer(DiskMedium* medium, bool write, int cylinder, int head, int sector, int count,
               void* data) {
  UsbDiskette* u = StateOf(medium);
  std::lock_guard<std::mutex> hold(u->lock);
  uint64_t offset;
  DWORD error = TrackOffset(u, cylinder, head, sector, count, &offset);
  if (error != ERROR_SUCCESS) return error;
  const uint32_t length = uint32_t(count) * kSectorBytes;
  uint32_t done = 0;
  error = write ? WriteDeviceBytes(u->device, offset, data, length, &done)
                : ReadDeviceBytes(u->device, offset, data, length, &done);
  if (error == ERROR_SUCCESS && done != length) error = ERROR_SECTOR_NOT_FOUND;
  return error;
}

DWORD ReadSectors(DiskMedium* medium, int cylinder, int head, int sector, int count, Density,
                  void* buffer) {
  return Transfer(medium, false, cylinder, head, sector, count, buffer);
}

DWORD WriteSectors(DiskMedium* medium, int cylinder, int head, int sector, int count, Density,
                   const void* buffer) {
  return Transfer(medium, true, cylinder, head, sector, count, const_cast<void*>(buffer));
}

// The sd driver sends no FORMAT UNIT: nothing is laid down.
DWORD FormatTrack(DiskMedium*, int, int, const DiskLayout&, const uint16_t*, int) {
  return ERROR_NOT_SUPPORTED;
}

// A diskette has tracks, not bytes at offsets.
DWORD NoBytes(DiskMedium*, uint64_t, void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;
}
DWORD NoBytesWritten(DiskMedium*, uint64_t, const void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;
}

DWORD Lock(DiskMedium* medium) {
  UsbDiskette* u = StateOf(medium);
  std::lock_guard<std::mutex> hold(u->lock);
  uint64_t size;
  DWORD error = DeviceMediumSize(u->device, &size);
  if (error != ERROR_SUCCESS) return error;
  return LockBlockDevice(&u->device);
}

void Unlock(DiskMedium* medium) {
  UsbDiskette* u = StateOf(medium);
  std::lock_guard<std::mutex> hold(u->lock);
  UnlockBlockDevice(&u->device);
}

// Reads come from the medium already; a medium change shows in the
// capacity at the next request.
void Flush(DiskMedium*) {}

void Close(DiskMedium* medium) {
  UsbDiskette* u = StateOf(medium);
  CloseBlockDevice(&u->device);
  delete u;
  delete medium;
}

const MediumMethods kUsbDisketteMethods = {
    Query,   DescribeDrive, ReadSectors, WriteSectors, FormatTrack, NoBytes,
    NoBytesWritten, Lock,   Unlock,      Flush,        Close,
};

}  // namespace

DiskMedium* OpenUsbDisketteMedium(DriveEntry* drive, const OpenDevice& device) {
  UsbDiskette* u = new UsbDiskette;
  u->device = device;
  return new DiskMedium{&kUsbDisketteMethods, drive, u};
}
