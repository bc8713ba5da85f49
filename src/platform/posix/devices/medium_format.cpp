// The standard diskette formats of the simulated media: their geometry, their
// names in ZOLT_DRIVES, and the format an image file has from its size.
#include <sys/stat.h>

#include "devices/drive_table.h"

namespace {
// In the order of MediumFormat. Single-sided 5.25" (160k, 180k) and
// double-sided 40-track (320k, 360k) drives, then the 80-track formats.
const MediumGeometry kGeometries[] = {
    {"none", 0, 0, 0, 0},       {"160k", 8, 1, 40, 320},    {"180k", 9, 1, 40, 360},
    {"320k", 8, 2, 40, 640},    {"360k", 9, 2, 40, 720},    {"720k", 9, 2, 80, 1440},
    {"1.2m", 15, 2, 80, 2400},  {"1.44m", 18, 2, 80, 2880}, {"1.68m", 21, 2, 80, 3360},
    {"2.88m", 36, 2, 80, 5760},
};
constexpr int kFormatCount = sizeof kGeometries / sizeof kGeometries[0];
constexpr off_t kSectorBytes = 512;
}  // namespace

const MediumGeometry& GeometryOf(MediumFormat format) { return kGeometries[int(format)]; }

bool MediumFormatByName(const std::string& name, MediumFormat* format) {
  for (int i = 0; i < kFormatCount; ++i) {
    if (name == kGeometries[i].name) {
      *format = MediumFormat(i);
      return true;
    }
  }
  return false;
}

MediumFormat MediumFormatOfFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return MediumFormat::kNone;
  for (int i = 1; i < kFormatCount; ++i) {
    if (st.st_size == kGeometries[i].totalSectors * kSectorBytes) return MediumFormat(i);
  }
  return MediumFormat::kNone;
}
