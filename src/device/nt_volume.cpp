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
  const unsigned sectors = format.sectorsPerTrack;
  if (format.heads == 1) {
    *type = sectors == 8 ? F5_160_512 : F5_180_512;
    return true;
  }
  if (format.cylinders == 40) {
    *type = sectors == 8 ? F5_320_512 : F5_360_512;
    return true;
  }
  switch (sectors) {
    case 9:
      *type = F3_720_512;
      return true;
    case 15:
      *type = F5_1Pt2_512;
      return true;
    case 18:
    case 21:  // formatted with the extended request: 21 sectors, tighter gaps
      *type = F3_1Pt44_512;
      return true;
    case 36:
      *type = F3_2Pt88_512;
      return true;
    default:
      return false;
  }
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
