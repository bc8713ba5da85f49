// Derived values and the sanity check of a DiskFormatRecord.
#include "container/disk_format.h"

uint32_t FormatTotalSectors(const DiskFormatRecord& format) {
  return format.totalSectors16 != 0 ? format.totalSectors16 : format.totalSectors32;
}

uint32_t FormatTrackBytes(const DiskFormatRecord& format) {
  return uint32_t(format.bytesPerSector) * format.sectorsPerTrack;
}

uint64_t FormatImageBytes(const DiskFormatRecord& format) {
  return uint64_t(FormatTotalSectors(format)) * format.bytesPerSector;
}

int CheckDiskFormat(const DiskFormatRecord& format, const char** reason) {
  const char* why = nullptr;
  const uint32_t bps = format.bytesPerSector;
  if (bps < 128 || bps > 4096 || (bps & (bps - 1)) != 0)
    why = "the sector size is not a power of two from 128 to 4096 bytes";
  else if (format.sectorsPerTrack == 0)
    why = "the format has no sectors per track";
  else if (format.heads == 0)
    why = "the format has no heads";
  else if (format.cylinders == 0)
    why = "the format has no cylinders";
  else if (FormatTotalSectors(format) == 0)
    why = "the image has no sectors";
  else if (FormatTrackBytes(format) > 65535)
    why = "a track is longer than 65535 bytes";
  if (reason != nullptr) *reason = why;
  return why == nullptr ? 0 : 13;  // ERROR_INVALID_DATA
}
