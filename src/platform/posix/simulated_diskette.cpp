// A simulated diskette over an image file. Every track keeps the layout it
// was last formatted in (its sector numbers in their order on the track,
// 512 bytes each), so that a medium reformatted track by track in another
// format is, midway, partly one format and partly the other, as a real
// diskette is. The tracks start from the entry's format (all unformatted
// for none) with the image file's bytes at that format's offsets.
//
// The drive reads the medium in one layout at a time: the initial format's,
// then that of the latest format request. The image file always holds the
// medium in that layout: the sector S of cylinder C, head H at
// ((C x heads + H) x sectors + S - 1) x 512; a track laid down in another
// layout holds zeros there. Every write and format goes through to the
// file, and a change of layout rewrites it whole, so after a run the file
// is the diskette as a drive of that format would read it.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/posix/simulated_media.h"

namespace {

constexpr int kSectorBytes = 512;
// What a diskette drive's head can reach: 80-track drives seek a few
// cylinders beyond the last of the standard formats.
constexpr int kDriveCylinders = 84;
constexpr int kDriveHeads = 2;
// The byte a diskette controller writes into every sector it formats.
constexpr uint8_t kFormatFill = 0xF6;

struct Track {
  std::vector<uint16_t> numbers;  // sector numbers in their order; none: unformatted
  std::vector<uint8_t> data;      // 512 bytes for each of them, in the same order
};

struct Diskette {
  std::mutex lock;  // a volume handle and the VWIN32 service may share the medium
  DriveEntry* drive;
  Track tracks[kDriveCylinders][kDriveHeads];
  DiskLayout layout;          // the layout the drive reads the medium in; zeros: unformatted
  int fd = -1;                // the image file, open once written
  bool fileInLayout = false;  // the file has exactly the layout's size and contents
  bool locked = false;
};

Diskette* StateOf(DiskMedium* medium) { return static_cast<Diskette*>(medium->state); }

bool SameLayout(const DiskLayout& a, const DiskLayout& b) {
  return a.sectorsPerTrack == b.sectorsPerTrack && a.heads == b.heads && a.cylinders == b.cylinders;
}

uint64_t LayoutBytes(const DiskLayout& layout) {
  return uint64_t(layout.sectorsPerTrack) * layout.heads * layout.cylinders * kSectorBytes;
}

// Where sector `number` lies on the track, or -1 when the track has no
// sector with that number.
int SectorIndex(const Track& track, int number) {
  for (size_t i = 0; i < track.numbers.size(); ++i) {
    if (track.numbers[i] == number) return int(i);
  }
  return -1;
}

// The track, when the head can reach it, and the position of each of the
// sectors sector .. sector + count - 1 on it. ERROR_SECTOR_NOT_FOUND when
// any is missing: the controller finds no ID field for it.
DWORD FindSectors(Diskette* d, int cylinder, int head, int sector, int count, Track** track,
                  std::vector<int>* indices) {
  if (cylinder < 0 || cylinder >= kDriveCylinders || head < 0 || head >= kDriveHeads || count < 0)
    return ERROR_SECTOR_NOT_FOUND;
  *track = &d->tracks[cylinder][head];
  indices->clear();
  for (int i = 0; i < count; ++i) {
    int index = SectorIndex(**track, sector + i);
    if (index < 0) return ERROR_SECTOR_NOT_FOUND;
    indices->push_back(index);
  }
  return ERROR_SUCCESS;
}

// A request on a track listed in `faults` fails while the fault's count
// lasts; each failing request uses one (-1 never runs out).
bool TakeFault(std::vector<TrackFault>& faults, int cylinder, int head) {
  for (TrackFault& fault : faults) {
    if (fault.cylinder != cylinder || fault.head != head || fault.count == 0) continue;
    if (fault.count > 0) fault.count--;
    return true;
  }
  return false;
}

// The track's part of the image file in the present layout: its sectors
// 1..n where the track is laid down with n sectors as the layout has it,
// zeros otherwise.
void RenderTrack(const Diskette* d, int cylinder, int head, uint8_t* out) {
  const int sectors = d->layout.sectorsPerTrack;
  memset(out, 0, size_t(sectors) * kSectorBytes);
  const Track& track = d->tracks[cylinder][head];
  if (int(track.numbers.size()) != sectors) return;
  for (int s = 1; s <= sectors; ++s) {
    int index = SectorIndex(track, s);
    if (index >= 0)
      memcpy(out + (s - 1) * kSectorBytes, &track.data[size_t(index) * kSectorBytes], kSectorBytes);
  }
}

bool OpenFileForWriting(Diskette* d) {
  if (d->fd >= 0) return true;
  d->fd = open(d->drive->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (d->fd < 0) ReportImageFileFailure(d->drive, "create or open");
  return d->fd >= 0;
}

// The whole file in the present layout. ERROR_WRITE_FAULT when the host
// cannot write it: the medium then no longer is what the file says.
DWORD RewriteFile(Diskette* d) {
  if (!OpenFileForWriting(d)) return ERROR_WRITE_FAULT;
  const DiskLayout& layout = d->layout;
  if (ftruncate(d->fd, off_t(LayoutBytes(layout))) != 0) {
    ReportImageFileFailure(d->drive, "resize");
    return ERROR_WRITE_FAULT;
  }
  std::vector<uint8_t> bytes(size_t(layout.sectorsPerTrack) * kSectorBytes);
  for (int c = 0; c < layout.cylinders; ++c) {
    for (int h = 0; h < layout.heads; ++h) {
      RenderTrack(d, c, h, bytes.data());
      uint64_t offset = (uint64_t(c) * layout.heads + h) * bytes.size();
      if (!WriteImageFile(d->fd, offset, bytes.data(), bytes.size())) {
        ReportImageFileFailure(d->drive, "write");
        return ERROR_WRITE_FAULT;
      }
    }
  }
  d->fileInLayout = true;
  return ERROR_SUCCESS;
}

// Brings the file up to date after the track (cylinder, head) changed.
DWORD WriteThrough(Diskette* d, int cylinder, int head) {
  if (!d->fileInLayout) return RewriteFile(d);
  if (!OpenFileForWriting(d)) return ERROR_WRITE_FAULT;
  const DiskLayout& layout = d->layout;
  if (cylinder >= layout.cylinders || head >= layout.heads)
    return ERROR_SUCCESS;  // not in the file
  std::vector<uint8_t> bytes(size_t(layout.sectorsPerTrack) * kSectorBytes);
  RenderTrack(d, cylinder, head, bytes.data());
  uint64_t offset = (uint64_t(cylinder) * layout.heads + head) * bytes.size();
  if (!WriteImageFile(d->fd, offset, bytes.data(), bytes.size())) {
    ReportImageFileFailure(d->drive, "write");
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

DWORD Query(DiskMedium* medium, MediumInfo* info) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  info->largeRemovable = false;
  info->layout = d->layout;
  info->sizeBytes = LayoutBytes(d->layout);
  return ERROR_SUCCESS;
}

DWORD ReadSectors(DiskMedium* medium, int cylinder, int head, int sector, int count, void* buffer) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  Track* track;
  std::vector<int> indices;
  DWORD error = FindSectors(d, cylinder, head, sector, count, &track, &indices);
  if (error != ERROR_SUCCESS) return error;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < indices.size(); ++i)
    memcpy(out + i * kSectorBytes, &track->data[size_t(indices[i]) * kSectorBytes], kSectorBytes);
  return ERROR_SUCCESS;
}

DWORD WriteSectors(DiskMedium* medium, int cylinder, int head, int sector, int count,
                   const void* buffer) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  if (d->drive->readonly) return ERROR_WRITE_PROTECT;
  Track* track;
  std::vector<int> indices;
  DWORD error = FindSectors(d, cylinder, head, sector, count, &track, &indices);
  if (error != ERROR_SUCCESS) return error;
  // A bad track fails the controller's write command as a whole.
  if (TakeFault(d->drive->failWrite, cylinder, head)) return ERROR_WRITE_FAULT;
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  for (size_t i = 0; i < indices.size(); ++i)
    memcpy(&track->data[size_t(indices[i]) * kSectorBytes], in + i * kSectorBytes, kSectorBytes);
  return WriteThrough(d, cylinder, head);
}

// The standard format with this layout, for the drive table's entry.
bool StandardFormatOf(const DiskLayout& layout, MediumFormat* format) {
  for (int i = int(MediumFormat::k160K); i <= int(MediumFormat::k2880K); ++i) {
    const MediumGeometry& g = GeometryOf(MediumFormat(i));
    if (g.sectorsPerTrack == layout.sectorsPerTrack && g.heads == layout.heads &&
        g.cylinders == layout.cylinders) {
      *format = MediumFormat(i);
      return true;
    }
  }
  return false;
}

DWORD FormatTrack(DiskMedium* medium, int cylinder, int head, const DiskLayout& layout,
                  const uint16_t* numbers, int count) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  if (d->drive->readonly) return ERROR_WRITE_PROTECT;
  if (cylinder < 0 || cylinder >= kDriveCylinders || head < 0 || head >= kDriveHeads || count < 1 ||
      layout.sectorsPerTrack < 1 || layout.heads < 1 || layout.heads > kDriveHeads ||
      layout.cylinders < 1 || layout.cylinders > kDriveCylinders)
    return ERROR_INVALID_PARAMETER;
  // Formatting is the controller writing the whole track (its ID fields and
  // data); a track it cannot write fails the format as it fails a write,
  // and the program treats both alike: the track is bad.
  if (TakeFault(d->drive->failFormat, cylinder, head)) return ERROR_WRITE_FAULT;

  Track& track = d->tracks[cylinder][head];
  track.numbers.assign(numbers, numbers + count);
  track.data.assign(size_t(count) * kSectorBytes, kFormatFill);
  if (SameLayout(layout, d->layout)) return WriteThrough(d, cylinder, head);

  // The drive now reads the medium in the new layout; so does the file.
  d->layout = layout;
  MediumFormat format;
  if (StandardFormatOf(layout, &format)) d->drive->format = format;
  return RewriteFile(d);
}

DWORD NoBytes(DiskMedium*, uint64_t, void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;  // a diskette is reached by tracks
}

DWORD NoBytesWritten(DiskMedium*, uint64_t, const void*, uint32_t, uint32_t* done) {
  *done = 0;
  return ERROR_INVALID_FUNCTION;
}

DWORD Lock(DiskMedium* medium) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  return TakeSimulatedLock(&d->locked, !d->drive->empty);
}

void Unlock(DiskMedium* medium) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  d->locked = false;
}

// Nothing is buffered: the tracks are the medium itself.
void Flush(DiskMedium*) {}

void Close(DiskMedium* medium) {
  Diskette* d = StateOf(medium);
  if (d->fd >= 0) close(d->fd);
  delete d;
  delete medium;
}

const MediumMethods kDisketteMethods = {
    Query,          ReadSectors, WriteSectors, FormatTrack, NoBytes,
    NoBytesWritten, Lock,        Unlock,       Flush,       Close,
};

// Lays down every track of the initial format and fills it from the file.
// False when the file is there but cannot be read.
bool LoadMedium(Diskette* d) {
  const MediumGeometry& g = GeometryOf(d->drive->format);
  d->layout = DiskLayout{g.sectorsPerTrack, g.heads, g.cylinders};
  if (g.totalSectors == 0) return true;  // never formatted
  int fd = open(d->drive->path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno != ENOENT) {
    ReportImageFileFailure(d->drive, "open");
    return false;
  }
  struct stat st;
  d->fileInLayout =
      fd >= 0 && fstat(fd, &st) == 0 && uint64_t(st.st_size) == LayoutBytes(d->layout);
  const size_t trackBytes = size_t(g.sectorsPerTrack) * kSectorBytes;
  bool readable = true;
  for (int c = 0; c < g.cylinders; ++c) {
    for (int h = 0; h < g.heads; ++h) {
      Track& track = d->tracks[c][h];
      track.numbers.clear();
      for (int s = 1; s <= g.sectorsPerTrack; ++s) track.numbers.push_back(uint16_t(s));
      track.data.assign(trackBytes, 0);  // beyond the file's end: zeros
      size_t got;
      uint64_t offset = (uint64_t(c) * g.heads + h) * trackBytes;
      if (fd >= 0 && readable && !ReadImageFile(fd, offset, track.data.data(), trackBytes, &got)) {
        ReportImageFileFailure(d->drive, "read");
        readable = false;
      }
    }
  }
  if (fd >= 0) close(fd);
  return readable;
}

}  // namespace

DiskMedium* OpenSimulatedDiskette(DriveEntry* drive) {
  Diskette* d = new Diskette;
  d->drive = drive;
  d->layout = DiskLayout{0, 0, 0};
  if (!drive->empty && !LoadMedium(d)) {
    delete d;
    return nullptr;
  }
  return new DiskMedium{&kDisketteMethods, drive, d};
}
