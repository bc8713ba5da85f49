// The standard diskette formats and the geometry choice for a new container.
#include "pack/formats.h"

#include <cstring>

namespace {

// One row: the BPB of a standard diskette (512-byte sectors, one reserved
// sector, two FATs, no hidden sectors), its cylinders and DOS device type.
constexpr StandardFormat Row(const char* name, uint8_t clusterSectors, uint16_t rootEntries,
                             uint16_t totalSectors, uint8_t media, uint16_t fatSectors,
                             uint16_t trackSectors, uint16_t heads, uint16_t cylinders,
                             uint8_t deviceType) {
  return {name,
          {512, clusterSectors, 1, 2, rootEntries, totalSectors, media, fatSectors, trackSectors, heads,
           0, 0, {0, 0, 0, 0, 0, 0}, cylinders, deviceType, 2}};
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

const StandardFormat kStandardFormats[kStandardFormatCount] = {
    Row("160k", 1, 64, 320, 0xFE, 1, 8, 1, 40, 0),
    Row("180k", 1, 64, 360, 0xFC, 2, 9, 1, 40, 0),
    Row("320k", 2, 112, 640, 0xFF, 1, 8, 2, 40, 0),
    Row("360k", 2, 112, 720, 0xFD, 2, 9, 2, 40, 0),
    Row("720k", 2, 224, 1440, 0xF9, 5, 9, 2, 80, 2),
    Row("1.2m", 1, 224, 2400, 0xF9, 7, 15, 2, 80, 1),
    Row("1.44m", 1, 224, 2880, 0xF0, 9, 18, 2, 80, 7),
    Row("1.68m", 1, 224, 3360, 0xF0, 10, 21, 2, 80, 7),
    Row("2.88m", 2, 240, 5760, 0xF0, 9, 36, 2, 80, 9),
};

const StandardFormat* FindStandardFormat(const std::string& name) {
  for (const StandardFormat& f : kStandardFormats) {
    size_t length = strlen(f.name);
    if (name.size() != length) continue;
    size_t i = 0;
    while (i < length && Lower(name[i]) == f.name[i]) ++i;
    if (i == length) return &f;
  }
  return nullptr;
}

const StandardFormat* StandardFormatOfSize(uint64_t imageBytes) {
  for (const StandardFormat& f : kStandardFormats)
    if (FormatImageBytes(f.record) == imageBytes) return &f;
  return nullptr;
}

const StandardFormat* StandardFormatMatching(const DiskFormatRecord& format) {
  for (const StandardFormat& f : kStandardFormats)
    if (f.record.bytesPerSector == format.bytesPerSector &&
        FormatTotalSectors(f.record) == FormatTotalSectors(format) &&
        f.record.sectorsPerTrack == format.sectorsPerTrack && f.record.heads == format.heads)
      return &f;
  return nullptr;
}

std::string StandardFormatNames() {
  std::string names;
  for (const StandardFormat& f : kStandardFormats) {
    if (!names.empty()) names += ", ";
    names += f.name;
  }
  return names;
}

bool DiskFormatFromBootSector(const uint8_t* bootSector, size_t length, uint64_t imageBytes,
                              DiskFormatRecord* format) {
  constexpr size_t kBpbOffset = 11;
  if (length < kBpbOffset + kBpbLength) return false;
  DiskFormatRecord f;
  memset(&f, 0, sizeof f);
  memcpy(&f, bootSector + kBpbOffset, kBpbLength);

  const uint32_t bps = f.bytesPerSector;
  if (bps < 128 || bps > 4096 || (bps & (bps - 1)) != 0) return false;
  if (f.sectorsPerTrack == 0 || f.heads == 0) return false;
  const uint64_t total = FormatTotalSectors(f);
  if (total == 0 || total * bps != imageBytes) return false;
  const uint64_t perCylinder = uint64_t(f.sectorsPerTrack) * f.heads;
  const uint64_t cylinders = (total + perCylinder - 1) / perCylinder;
  if (cylinders > 0xFFFF || FormatTrackBytes(f) > 65535) return false;

  f.cylinders = uint16_t(cylinders);
  const StandardFormat* standard = StandardFormatMatching(f);
  f.deviceType = standard != nullptr ? standard->record.deviceType : 7;
  f.reservedTail = 2;
  *format = f;
  return true;
}

bool ChooseDiskFormat(const std::string& formatName, const uint8_t* bootSector, size_t length,
                      uint64_t imageBytes, DiskFormatRecord* format, GeometrySource* source,
                      std::string* error) {
  if (!formatName.empty()) {
    const StandardFormat* named = FindStandardFormat(formatName);
    if (named == nullptr) {
      *error = "unknown format \"" + formatName + "\" (known: " + StandardFormatNames() + ")";
      return false;
    }
    if (FormatImageBytes(named->record) != imageBytes) {
      *error = "the image has " + std::to_string(imageBytes) + " bytes, but a " + named->name +
               " diskette holds " + std::to_string(FormatImageBytes(named->record));
      return false;
    }
    *format = named->record;
    *source = GeometrySource::kFormatName;
    return true;
  }
  if (DiskFormatFromBootSector(bootSector, length, imageBytes, format)) {
    *source = GeometrySource::kBootSector;
    return true;
  }
  if (const StandardFormat* sized = StandardFormatOfSize(imageBytes)) {
    *format = sized->record;
    *source = GeometrySource::kImageSize;
    return true;
  }
  *error = "cannot tell the geometry of a " + std::to_string(imageBytes) +
           "-byte image: its boot sector holds no BPB that matches its size, and no standard "
           "diskette has that size (give --format, one of: " + StandardFormatNames() + ")";
  return false;
}
