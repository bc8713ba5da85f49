// A simulated diskette drive and its medium over an image file. Every track
// keeps what it was last formatted with: its sector numbers in their order
// on the track (512 bytes each) and the density they were laid down at,
// which their count decides. So a medium reformatted track by track in
// another format is, midway, partly one format and partly the other, as a
// real diskette is. The tracks start from the entry's format (all
// unformatted for none) with the image file's bytes at that format's
// offsets.
//
// As the hardware: the drive reaches its own cylinders and lays down and
// reads only the densities it has data rates for; a transfer at one data
// rate finds no sector of a track laid down at another; a track laid down
// at a density above the medium's is written but does not read back (every
// later transfer on it fails with a CRC error), which the internal
// controller does not notice while formatting. A USB drive formats by
// itself and refuses a layout that the medium or the drive cannot take.
//
// The present layout is what a drive finds on the medium: the sectors and
// density of cylinder 0 head 0 (numbered 1 to n, in any order), two heads
// when head 1 of cylinder 0 carries the same, and as many cylinders as
// follow from cylinder 0 in that layout; none when track 0 is unformatted
// or does not read back. The image file always holds the medium in its
// present layout: the sector S of cylinder C, head H at ((C x heads + H) x
// sectors + S - 1) x 512. Every write and format goes through to the file,
// a change of the sectors or heads rewrites it whole (a change of the
// cylinders alone resizes it), and an unchanged medium's file is not
// rewritten, so after a run the file is the diskette as a drive reads it.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "devices/diskette_drives.h"
#include "devices/simulated_media.h"

namespace {

constexpr int kSectorBytes = 512;
// The most cylinders any drive's head reaches.
constexpr int kMaxCylinders = 84;
constexpr int kHeads = 2;
// The byte a diskette controller writes into every sector it formats.
constexpr uint8_t kFormatFill = 0xF6;

struct Track {
  std::vector<uint16_t> numbers;  // sector numbers in their order; none: unformatted
  std::vector<uint8_t> data;      // 512 bytes for each of them, in the same order
  bool readable = true;           // false: laid down above the medium's density
};

struct Diskette {
  std::mutex lock;  // a volume handle and the VWIN32 service may share the medium
  DriveEntry* drive;
  int reach = 0;  // the cylinders the drive's head reaches
  Track tracks[kMaxCylinders][kHeads];
  DiskLayout layout{0, 0, 0};  // the present layout; zeros: none
  int fd = -1;                 // the image file, open once written
  bool fileInLayout = false;   // the file has exactly the layout's size and contents
  bool locked = false;
};

Diskette* StateOf(DiskMedium* medium) { return static_cast<Diskette*>(medium->state); }

bool SameLayout(const DiskLayout& a, const DiskLayout& b) {
  return a.sectorsPerTrack == b.sectorsPerTrack && a.heads == b.heads && a.cylinders == b.cylinders;
}

uint64_t LayoutBytes(const DiskLayout& layout) {
  return uint64_t(layout.sectorsPerTrack) * layout.heads * layout.cylinders * kSectorBytes;
}

Density TrackDensity(const Track& track) { return DensityOfSectors(int(track.numbers.size())); }

// Whether the track reads back with sectors numbered 1 to `sectors`, in any
// order: what a drive takes for a track of a layout with that many.
bool CarriesLayout(const Track& track, int sectors) {
  if (!track.readable || int(track.numbers.size()) != sectors) return false;
  std::vector<bool> seen(size_t(sectors) + 1, false);
  for (uint16_t n : track.numbers) {
    if (n < 1 || n > sectors || seen[n]) return false;
    seen[n] = true;
  }
  return true;
}

DiskLayout FindPresentLayout(const Diskette* d) {
  const Track& first = d->tracks[0][0];
  const int sectors = int(first.numbers.size());
  if (sectors == 0 || !CarriesLayout(first, sectors)) return DiskLayout{0, 0, 0};
  const int heads = CarriesLayout(d->tracks[0][1], sectors) ? 2 : 1;
  int cylinders = 0;
  while (cylinders < d->reach) {
    bool same = true;
    for (int h = 0; h < heads; ++h) same = same && CarriesLayout(d->tracks[cylinders][h], sectors);
    if (!same) break;
    ++cylinders;
  }
  return DiskLayout{sectors, heads, cylinders};
}

// Where sector `number` lies on the track, or -1 when the track has no
// sector with that number.
int SectorIndex(const Track& track, int number) {
  for (size_t i = 0; i < track.numbers.size(); ++i) {
    if (track.numbers[i] == number) return int(i);
  }
  return -1;
}

// The track, and the position of each of the sectors sector .. sector +
// count - 1 on it, as the controller finds them at `density`.
DWORD FindSectors(Diskette* d, int cylinder, int head, int sector, int count, Density density,
                  Track** found, std::vector<int>* indices) {
  const DisketteDrive type = d->drive->disketteDrive;
  if (density != Density::kAny && !DriveTakesDensity(type, density)) return ERROR_NOT_DOS_DISK;
  if (cylinder < 0 || cylinder >= d->reach) return ERROR_SEEK;
  if (head < 0 || head >= kHeads || count < 0) return ERROR_SECTOR_NOT_FOUND;
  Track& track = d->tracks[cylinder][head];
  if (track.numbers.empty()) return ERROR_SECTOR_NOT_FOUND;  // no ID fields at all
  const Density laid = TrackDensity(track);
  if (density == Density::kAny) {
    if (!DriveTakesDensity(type, laid)) return ERROR_NOT_DOS_DISK;
  } else if (laid != density) {
    return ERROR_SECTOR_NOT_FOUND;  // at another data rate the ID fields are noise
  }
  if (!track.readable) return ERROR_CRC;
  indices->clear();
  for (int i = 0; i < count; ++i) {
    int index = SectorIndex(track, sector + i);
    if (index < 0) return ERROR_SECTOR_NOT_FOUND;
    indices->push_back(index);
  }
  *found = &track;
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
// 1..n (every track of the layout has them).
void RenderTrack(const Diskette* d, int cylinder, int head, uint8_t* out) {
  const int sectors = d->layout.sectorsPerTrack;
  memset(out, 0, size_t(sectors) * kSectorBytes);
  const Track& track = d->tracks[cylinder][head];
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

// Writes the tracks of cylinders `from` to `to` - 1 in the present layout.
DWORD WriteCylinders(Diskette* d, int from, int to) {
  const DiskLayout& layout = d->layout;
  std::vector<uint8_t> bytes(size_t(layout.sectorsPerTrack) * kSectorBytes);
  for (int c = from; c < to; ++c) {
    for (int h = 0; h < layout.heads; ++h) {
      RenderTrack(d, c, h, bytes.data());
      uint64_t offset = (uint64_t(c) * layout.heads + h) * bytes.size();
      if (!WriteImageFile(d->fd, offset, bytes.data(), bytes.size())) {
        ReportImageFileFailure(d->drive, "write");
        return ERROR_WRITE_FAULT;
      }
    }
  }
  return ERROR_SUCCESS;
}

// The file cut or grown to the present layout's size; then the cylinders
// from `from` on are written. ERROR_WRITE_FAULT when the host cannot: the
// medium then no longer is what the file says.
DWORD ResizeFile(Diskette* d, int from) {
  if (!OpenFileForWriting(d)) return ERROR_WRITE_FAULT;
  if (ftruncate(d->fd, off_t(LayoutBytes(d->layout))) != 0) {
    ReportImageFileFailure(d->drive, "resize");
    return ERROR_WRITE_FAULT;
  }
  DWORD error = WriteCylinders(d, from, d->layout.cylinders);
  d->fileInLayout = error == ERROR_SUCCESS;
  return error;
}

// Brings the file up to date after the track (cylinder, head) changed.
DWORD WriteThrough(Diskette* d, int cylinder, int head) {
  if (!d->fileInLayout) return ResizeFile(d, 0);
  const DiskLayout& layout = d->layout;
  if (cylinder >= layout.cylinders || head >= layout.heads)
    return ERROR_SUCCESS;  // not in the file
  if (!OpenFileForWriting(d)) return ERROR_WRITE_FAULT;
  std::vector<uint8_t> bytes(size_t(layout.sectorsPerTrack) * kSectorBytes);
  RenderTrack(d, cylinder, head, bytes.data());
  uint64_t offset = (uint64_t(cylinder) * layout.heads + head) * bytes.size();
  if (!WriteImageFile(d->fd, offset, bytes.data(), bytes.size())) {
    ReportImageFileFailure(d->drive, "write");
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

// The standard format of the present layout, for the drive table's entry;
// none for a medium that is no standard format now.
MediumFormat StandardFormatOf(const DiskLayout& layout) {
  for (int i = int(MediumFormat::k160K); i <= int(MediumFormat::k2880K); ++i) {
    const MediumGeometry& g = GeometryOf(MediumFormat(i));
    if (g.sectorsPerTrack == layout.sectorsPerTrack && g.heads == layout.heads &&
        g.cylinders == layout.cylinders)
      return MediumFormat(i);
  }
  return MediumFormat::kNone;
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

void DescribeDrive(DiskMedium* medium, DriveInfo* info) {
  const DriveEntry* drive = StateOf(medium)->drive;
  info->diskette = true;
  info->usb = drive->usb;
  info->type = drive->disketteDrive;
  info->mediaTypes =
      drive->usb ? UsbDriveMediaTypes() : InternalDriveMediaTypes(drive->disketteDrive);
}

DWORD ReadSectors(DiskMedium* medium, int cylinder, int head, int sector, int count,
                  Density density, void* buffer) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  Track* track;
  std::vector<int> indices;
  DWORD error = FindSectors(d, cylinder, head, sector, count, density, &track, &indices);
  if (error != ERROR_SUCCESS) return error;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  for (size_t i = 0; i < indices.size(); ++i)
    memcpy(out + i * kSectorBytes, &track->data[size_t(indices[i]) * kSectorBytes], kSectorBytes);
  return ERROR_SUCCESS;
}

DWORD WriteSectors(DiskMedium* medium, int cylinder, int head, int sector, int count,
                   Density density, const void* buffer) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  if (d->drive->empty) return ERROR_NOT_READY;
  if (d->drive->readonly) return ERROR_WRITE_PROTECT;
  Track* track;
  std::vector<int> indices;
  DWORD error = FindSectors(d, cylinder, head, sector, count, density, &track, &indices);
  if (error != ERROR_SUCCESS) return error;
  // A bad track fails the controller's write command as a whole.
  if (TakeFault(d->drive->failWrite, cylinder, head)) return ERROR_WRITE_FAULT;
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  for (size_t i = 0; i < indices.size(); ++i)
    memcpy(&track->data[size_t(indices[i]) * kSectorBytes], in + i * kSectorBytes, kSectorBytes);
  return WriteThrough(d, cylinder, head);
}

// After a track was laid down: the layout a drive now finds, and the file
// brought to it.
DWORD FollowFormat(Diskette* d, int cylinder, int head) {
  const DiskLayout before = d->layout;
  d->layout = FindPresentLayout(d);
  d->drive->format = StandardFormatOf(d->layout);
  if (SameLayout(before, d->layout)) return WriteThrough(d, cylinder, head);
  const bool sameTracks =
      before.sectorsPerTrack == d->layout.sectorsPerTrack && before.heads == d->layout.heads;
  const int from = sameTracks && d->fileInLayout ? before.cylinders : 0;
  return ResizeFile(d, from < d->layout.cylinders ? from : d->layout.cylinders);
}

DWORD FormatTrack(DiskMedium* medium, int cylinder, int head, const DiskLayout&,
                  const uint16_t* numbers, int count) {
  Diskette* d = StateOf(medium);
  std::lock_guard<std::mutex> hold(d->lock);
  const DriveEntry* drive = d->drive;
  if (drive->empty) return ERROR_NOT_READY;
  if (drive->readonly) return ERROR_WRITE_PROTECT;
  if (head < 0 || head >= kHeads || count < 1) return ERROR_INVALID_PARAMETER;
  if (cylinder < 0 || cylinder >= d->reach) return ERROR_SEEK;
  const Density density = DensityOfSectors(count);
  const bool drivable = DriveTakesDensity(drive->disketteDrive, density);
  // A USB drive formats by itself and answers a layout it cannot lay down
  // on this medium as an incompatible medium.
  if (drive->usb && (!drivable || density > drive->density)) return ERROR_UNRECOGNIZED_MEDIA;
  if (!drivable) return ERROR_NOT_DOS_DISK;
  // Formatting is the controller writing the whole track (its ID fields and
  // data); a track it cannot write fails the format as it fails a write,
  // and the program treats both alike: the track is bad.
  if (TakeFault(d->drive->failFormat, cylinder, head)) return ERROR_WRITE_FAULT;

  Track& track = d->tracks[cylinder][head];
  track.numbers.assign(numbers, numbers + count);
  track.data.assign(size_t(count) * kSectorBytes, kFormatFill);
  track.readable = density <= drive->density;
  return FollowFormat(d, cylinder, head);
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
  return TakeSimulatedLock(&d->locked, !d->drive->empty, d->drive->busy);
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
    Query,   DescribeDrive,  ReadSectors, WriteSectors, FormatTrack, NoBytes,
    NoBytesWritten, Lock, Unlock,      Flush,        Close,
};

// Lays down every track of the initial format and fills it from the file.
// False when the file is there but cannot be read.
bool LoadMedium(Diskette* d) {
  const MediumGeometry& g = GeometryOf(d->drive->format);
  if (g.totalSectors == 0) return true;  // never formatted
  int fd = open(d->drive->path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno != ENOENT) {
    ReportImageFileFailure(d->drive, "open");
    return false;
  }
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
  d->layout = FindPresentLayout(d);
  struct stat st;
  d->fileInLayout =
      fd >= 0 && fstat(fd, &st) == 0 && uint64_t(st.st_size) == LayoutBytes(d->layout);
  if (fd >= 0) close(fd);
  return readable;
}

}  // namespace

DiskMedium* OpenSimulatedDiskette(DriveEntry* drive) {
  Diskette* d = new Diskette;
  d->drive = drive;
  d->reach = DriveCylinders(drive->disketteDrive);
  if (!drive->empty && !LoadMedium(d)) {
    delete d;
    return nullptr;
  }
  return new DiskMedium{&kDisketteMethods, drive, d};
}
