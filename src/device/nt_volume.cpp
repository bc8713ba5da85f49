// NT volume services. A diskette volume opened as "\\.\a:" is a flat run of
// sectors: cylinder 0 head 0, cylinder 0 head 1, cylinder 1 head 0, ... in
// the geometry of the medium; the floppy driver turns offsets back into
// cylinder, head and sector. Raw transfers must be whole sectors.
#include "device/nt_volume.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"

int VolumeTrackIo(HANDLE volume, uint8_t* buffer, uint16_t head, uint16_t cylinder,
                  uint16_t sectorCount, uint16_t bytesPerSector, int operation) {
  const DWORD length = DWORD(sectorCount) * bytesPerSector;
  const DWORD offset = DWORD(bytesPerSector) * app.format.sectorsPerTrack *
                       (DWORD(cylinder) * app.format.heads + head);
  DWORD done = 0;
  SetFilePointer(volume, LONG(offset), nullptr, FILE_BEGIN);
  if (operation == kTrackRead) {
    if (!ReadFile(volume, buffer, length, &done, nullptr) || done != length) return -1;
    return 0;
  }
  if (!WriteFile(volume, buffer, length, &done, nullptr) || done != length) return -1;
  // The driver may report a write it could not place (a sector the track
  // does not have in its present layout reads back as something else), so
  // the track is only written when it reads back unchanged.
  SetFilePointer(volume, LONG(offset), nullptr, FILE_BEGIN);
  if (!ReadFile(volume, app.verifyBuffer, length, &done, nullptr)) return -1;
  if (done != length || memcmp(app.verifyBuffer, buffer, length) != 0) {
    SetLastError(ERROR_CRC);
    return -1;
  }
  return 0;
}

bool NtMediaTypeFor(const DiskFormatRecord& format, MEDIA_TYPE* type) {
  // Each media type lays down one geometry: a track is formatted only in
  // the layout of the image as a whole, never in one that merely shares
  // its heads or its sector count.
  struct TypeGeometry {
    uint16_t cylinders, heads, sectorsPerTrack;
    MEDIA_TYPE type;
  };
  static const TypeGeometry kTypes[] = {
      {40, 1, 8, F5_160_512},   {40, 1, 9, F5_180_512},  {40, 2, 8, F5_320_512},
      {40, 2, 9, F5_360_512},   {80, 2, 9, F3_720_512},  {80, 2, 15, F5_1Pt2_512},
      {80, 2, 18, F3_1Pt44_512},
      // The 21-sector distribution format is recorded at the density of the
      // 1.44M one and laid down with the extended request.
      {80, 2, 21, F3_1Pt44_512}, {80, 2, 36, F3_2Pt88_512},
  };
  if (format.bytesPerSector != 512) return false;
  for (const TypeGeometry& t : kTypes) {
    if (t.cylinders == format.cylinders && t.heads == format.heads &&
        t.sectorsPerTrack == format.sectorsPerTrack) {
      *type = t.type;
      return true;
    }
  }
  return false;
}

bool NtDriveTakesMediaType(HANDLE volume, MEDIA_TYPE type) {
  DISK_GEOMETRY types[32];
  DWORD returned = 0;
  if (!DeviceIoControl(volume, IOCTL_DISK_GET_MEDIA_TYPES, nullptr, 0, types, sizeof types,
                       &returned, nullptr) &&
      GetLastError() != ERROR_MORE_DATA)
    return true;
  // An answer that is no whole list of DISK_GEOMETRY records tells
  // nothing either (Wine answers for a volume over an image file with 40
  // bytes of its own): the format request will say what the drive takes.
  if (returned % sizeof(DISK_GEOMETRY) != 0 || returned > sizeof types) return true;
  for (DWORD i = 0; i < returned / sizeof(DISK_GEOMETRY); ++i) {
    if (types[i].MediaType == type) return true;
  }
  return false;
}

BOOL NtVolumeRequest(HANDLE volume, DWORD controlCode) {
  DWORD returned = 0;
  return DeviceIoControl(volume, controlCode, nullptr, 0, nullptr, 0, &returned, nullptr);
}

HANDLE OpenVolume(const char* driveString) {
  char name[16];
  snprintf(name, sizeof name, "\\\\.\\%s", driveString);
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ReleaseTargetVolume() {
  if (app.deviceHandle == nullptr || app.deviceHandle == INVALID_HANDLE_VALUE) return;
  NtVolumeRequest(app.deviceHandle, FSCTL_UNLOCK_VOLUME);
  CloseHandle(app.deviceHandle);
  app.deviceHandle = nullptr;
}
