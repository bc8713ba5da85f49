// How the NT disk drivers under a volume see the medium: the media type
// and geometry through which a volume's sectors map to tracks.
//
// The internal floppy driver finds the medium's format by trying the
// drive's densities from the highest down until a track 0 reads: the
// medium is the first of the drive's media types, from the highest
// capacity down, whose density and sectors per track cylinder 0 head 0
// carries. A 5.25" double-density track of 8 or 9 sectors is the
// double-sided type when head 1 carries the same, else the single-sided
// one; a 21-sector high-density track in a 1.44M or 2.88M drive is the
// 1.68M distribution format, which has no media type of its own and is
// reported as the 1.44M type with its own 21 sectors. The geometry is the
// media type's, however many cylinders the medium has in that layout.
//
// The USB floppy class driver asks the drive for the medium's capacity
// (READ FORMAT CAPACITIES) and matches it in a fixed table. The drive
// senses the medium's density and reads track 0, so the capacity is that
// of the 80-cylinder, two-sided format of track 0's sectors. A capacity
// the table lacks, or an unformatted medium, gets the drive's default
// geometry (so that it can be formatted), and transfers fail.
//
// A large removable medium has no real cylinders: it is reported, as disk
// drivers do, with 64 heads of 32 sectors and as many whole cylinders as
// fit.
#include "devices/diskette_drives.h"
#include "devices/volume.h"

namespace {

constexpr int kLargeHeads = 64;
constexpr int kLargeSectorsPerTrack = 32;

// The 3.5" formats of the class driver's table, all 80 x 2 of 512-byte
// sectors.
struct UsbFormat {
  int sectorsPerTrack;
  MEDIA_TYPE type;
};
const UsbFormat kUsbFormats[] = {
    {8, F3_640_512},     // 1,280 blocks
    {9, F3_720_512},     // 1,440
    {15, F3_1Pt2_512},   // 2,400
    {18, F3_1Pt44_512},  // 2,880
    {21, F3_1Pt44_512},  // 3,360: the distribution format, with its 21 sectors
};
constexpr int kUsbCylinders = 80;
constexpr int kUsbHeads = 2;

void SetDiskette(VolumeGeometry* g, MEDIA_TYPE type, int cylinders, int heads, int sectors,
                 bool recognised) {
  *g = VolumeGeometry{false, 0, type, cylinders, heads, sectors, DensityOfSectors(sectors),
                      recognised};
}

void FindUsbGeometry(const DiskLayout& track0, VolumeGeometry* g) {
  for (const UsbFormat& f : kUsbFormats) {
    if (f.sectorsPerTrack == track0.sectorsPerTrack)
      return SetDiskette(g, f.type, kUsbCylinders, kUsbHeads, f.sectorsPerTrack, true);
  }
  SetDiskette(g, F3_1Pt44_512, kUsbCylinders, kUsbHeads, 18, false);
}

// The 5.25" double-density types come as a single- and a double-sided
// pair with the same sectors; only the heads tell them apart.
bool SidedPair(MEDIA_TYPE type) {
  return type == F5_160_512 || type == F5_180_512 || type == F5_320_512 || type == F5_360_512;
}

DWORD FindInternalGeometry(const DriveInfo& drive, const DiskLayout& track0,
                           VolumeGeometry* g) {
  const Density density = DensityOfSectors(track0.sectorsPerTrack);
  if (density == Density::kNone) return ERROR_UNRECOGNIZED_MEDIA;
  for (MEDIA_TYPE type : drive.mediaTypes) {
    MediaTypeShape shape;
    if (!MediaTypeShapeOf(type, &shape) || shape.bytesPerSector != 512) continue;
    if (DensityOfSectors(shape.sectorsPerTrack) != density) continue;
    const bool distribution = type == F3_1Pt44_512 && track0.sectorsPerTrack == 21;
    if (shape.sectorsPerTrack != track0.sectorsPerTrack && !distribution) continue;
    if (SidedPair(type) && shape.heads != track0.heads) continue;
    SetDiskette(g, type, shape.cylinders, shape.heads, track0.sectorsPerTrack, true);
    return ERROR_SUCCESS;
  }
  return ERROR_UNRECOGNIZED_MEDIA;
}

}  // namespace

DWORD FindVolumeGeometry(DiskMedium* medium, VolumeGeometry* g) {
  MediumInfo info;
  DWORD error = medium->methods->query(medium, &info);
  if (error != ERROR_SUCCESS) return error;
  if (info.largeRemovable) {
    *g = VolumeGeometry{true,       info.sizeBytes, RemovableMedia,
                        int(info.sizeBytes / (kLargeHeads * kLargeSectorsPerTrack * 512)),
                        kLargeHeads, kLargeSectorsPerTrack, Density::kNone, true};
    return ERROR_SUCCESS;
  }
  DriveInfo drive;
  medium->methods->describeDrive(medium, &drive);
  if (drive.usb) {
    FindUsbGeometry(info.layout, g);
    return ERROR_SUCCESS;
  }
  return FindInternalGeometry(drive, info.layout, g);
}
