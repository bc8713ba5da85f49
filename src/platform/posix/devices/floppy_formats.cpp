// The kernel's floppy formats by layout. The values are the entries of the
// driver's table (drivers/block/floppy.c, floppy_type[], by the names
// setfdprm gives them): size in sectors, sectors per track, heads, tracks,
// stretch, gap, rate, spec1 (step rate and head unload time), format gap.
// The rate's low bits choose the data rate (0 500 kbit/s, 1 300 kbit/s,
// 2 250 kbit/s, 3 1 Mbit/s) and 0x40 perpendicular recording, for 2.88M
// media. Stretch 1 makes an 80-track drive step twice per cylinder, for
// 40-track media.
#include "devices/floppy_formats.h"

namespace {

// The drives, by CMOS type, that can lay a format down.
constexpr unsigned kDrive360K = 1u << 1;
constexpr unsigned kDrive1200K = 1u << 2;
constexpr unsigned kDrive720K = 1u << 3;
constexpr unsigned kDrive1440K = 1u << 4;
constexpr unsigned kDrive2880K = (1u << 5) | (1u << 6);  // both types of the ED drive
constexpr unsigned kDrivesHd35 = kDrive1440K | kDrive2880K;
constexpr unsigned kDrives35 = kDrive720K | kDrivesHd35;

struct FloppyFormat {
  unsigned drives;
  floppy_struct parameters;
};

const FloppyFormat kFormats[] = {
    // "D720": 720K in a 3.5" drive, 250 kbit/s.
    {kDrives35, {1440, 9, 2, 80, 0, 0x2A, 0x02, 0xDF, 0x50, nullptr}},
    // "H1440": 1.44M, 500 kbit/s.
    {kDrivesHd35, {2880, 18, 2, 80, 0, 0x1B, 0x00, 0xCF, 0x6C, nullptr}},
    // "H1680": the 21-sector distribution format, 500 kbit/s with tight
    // gaps (the driver formats it with 2:1 interleave).
    {kDrivesHd35, {3360, 21, 2, 80, 0, 0x1C, 0x00, 0xCF, 0x0C, nullptr}},
    // "E2880": 2.88M, 1 Mbit/s, perpendicular.
    {kDrive2880K, {5760, 36, 2, 80, 0, 0x1B, 0x43, 0xAF, 0x54, nullptr}},
    // "d360": 360K in a 360K drive, 250 kbit/s at 300 rpm.
    {kDrive360K, {720, 9, 2, 40, 0, 0x2A, 0x02, 0xDF, 0x50, nullptr}},
    // "h360": 360K in a 1.2M drive: double steps, 300 kbit/s at 360 rpm.
    {kDrive1200K, {720, 9, 2, 40, 1, 0x23, 0x01, 0xDF, 0x50, nullptr}},
    // "h720": 720K (80 tracks, 9 sectors) in a 1.2M drive.
    {kDrive1200K, {1440, 9, 2, 80, 0, 0x23, 0x01, 0xDF, 0x50, nullptr}},
    // "h1200": 1.2M, 500 kbit/s.
    {kDrive1200K, {2400, 15, 2, 80, 0, 0x1B, 0x00, 0xDF, 0x54, nullptr}},
};

}  // namespace

bool StandardFloppyParameters(const DiskLayout& layout, int cmosType, floppy_struct* parameters) {
  if (cmosType < 1 || cmosType > 6) cmosType = 4;
  // The 40-track layouts with 8 sectors or one side (160K, 180K, 320K) have
  // no entry of their own: they are the drive's 360K entry with fewer
  // sectors or heads. Gaps sized for 9 sectors leave room for 8.
  const bool fortyTrack = layout.cylinders == 40 &&
                          (layout.sectorsPerTrack == 8 || layout.sectorsPerTrack == 9) &&
                          (layout.heads == 1 || layout.heads == 2);
  for (const FloppyFormat& f : kFormats) {
    if ((f.drives & (1u << cmosType)) == 0) continue;
    floppy_struct p = f.parameters;
    if (fortyTrack && p.track == 40) {
      p.sect = unsigned(layout.sectorsPerTrack);
      p.head = unsigned(layout.heads);
      p.size = p.sect * p.head * p.track;
    }
    if (int(p.sect) == layout.sectorsPerTrack && int(p.head) == layout.heads &&
        int(p.track) == layout.cylinders) {
      *parameters = p;
      return true;
    }
  }
  return false;
}
