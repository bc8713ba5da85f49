// Formatting one track. On the NT family the floppy driver formats with a
// media type; after the first track it is given a fresh boot sector and the
// volume is opened anew, so that the system takes the medium for what it
// has become. On Windows 9x DOS formats with the parameters last set.
#include "writer/format_track.h"

#include <cstring>

#include "app/app_state.h"
#include "app/list_message.h"
#include "device/nt_volume.h"
#include "device/vwin32_disk.h"
#include "writer/format_table.h"
#include "writer/target_drive.h"

namespace {

// The 21-sector format fits only with a shorter gap and an interleave of 2,
// which lets the controller keep pace at 300 rpm.
const WORD kInterleaved21[21] = {1, 12, 2, 13, 3, 14, 4, 15, 5, 16, 6,
                                 17, 7, 18, 8, 19, 9, 20, 10, 21, 11};

bool SendFormatRequest(MEDIA_TYPE mediaType, uint16_t head, uint16_t cylinder) {
  DWORD returned = 0;
  if (app.format.sectorsPerTrack == 21) {
    // 24 bytes of head, 21 sector numbers and two zero bytes.
    uint8_t record[68] = {};
    FORMAT_EX_PARAMETERS* ex = (FORMAT_EX_PARAMETERS*)record;
    ex->MediaType = F3_1Pt44_512;
    ex->StartCylinderNumber = ex->EndCylinderNumber = cylinder;
    ex->StartHeadNumber = ex->EndHeadNumber = head;
    ex->FormatGapLength = 5;
    ex->SectorsPerTrack = 21;
    memcpy(record + offsetof(FORMAT_EX_PARAMETERS, SectorNumber), kInterleaved21,
           sizeof kInterleaved21);
    return DeviceIoControl(app.deviceHandle, IOCTL_DISK_FORMAT_TRACKS_EX, record, sizeof record,
                           nullptr, 0, &returned, nullptr) != FALSE;
  }
  FORMAT_PARAMETERS parameters{};
  parameters.MediaType = mediaType;
  parameters.StartCylinderNumber = parameters.EndCylinderNumber = cylinder;
  parameters.StartHeadNumber = parameters.EndHeadNumber = head;
  return DeviceIoControl(app.deviceHandle, IOCTL_DISK_FORMAT_TRACKS, &parameters,
                         sizeof parameters, nullptr, 0, &returned, nullptr) != FALSE;
}

int FormatNtTrack(uint16_t head, uint16_t cylinder) {
  MEDIA_TYPE mediaType;
  // A format the driver has no media type for is turned down before a run
  // starts; should a track of one still need formatting, it fails.
  if (!NtMediaTypeFor(app.format, &mediaType)) return 1;
  if (!SendFormatRequest(mediaType, head, cylinder)) {
    // The run ends here, so nothing more goes onto the diskette (the
    // first track gets no boot sector over a format that did not take).
    // A write-protected or missing diskette says so.
    const DWORD error = GetLastError();
    return error == ERROR_WRITE_PROTECT || error == ERROR_NOT_READY ? int(error) : 1;
  }
  if (cylinder != 0 || head != 0) return 0;

  uint8_t bootSector[512];
  BuildFreshBootSector(mediaType, bootSector);
  VolumeTrackIo(app.deviceHandle, bootSector, 0, 0, 1, 512, kTrackWriteVerified);
  if (app.deviceHandle != nullptr) {
    NtVolumeRequest(app.deviceHandle, FSCTL_UNLOCK_VOLUME);
    CloseHandle(app.deviceHandle);
    app.deviceHandle = nullptr;
    Sleep(1000);
  }
  app.deviceHandle = OpenVolume(app.targetDrive);
  if (app.deviceHandle == INVALID_HANDLE_VALUE) return kDriveOpenFailed;
  NtVolumeRequest(app.deviceHandle, IOCTL_DISK_CHECK_VERIFY);
  NtVolumeRequest(app.deviceHandle, FSCTL_LOCK_VOLUME);
  DISK_GEOMETRY geometry;
  DWORD returned = 0;
  DeviceIoControl(app.deviceHandle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                  sizeof geometry, &returned, nullptr);
  return 0;
}

}  // namespace

int NtFormattingRefusal() {
  MEDIA_TYPE mediaType;
  if (!NtMediaTypeFor(app.format, &mediaType)) {
    // The floppy driver lays down no track of this geometry.
    LIST_MESSAGE(91, "");
    return ERROR_NOT_SUPPORTED;
  }
  if (!NtDriveTakesMediaType(app.deviceHandle, mediaType)) {
    // The drive cannot carry the format (a 1.44M drive and a 2.88M image,
    // a USB drive and a 5.25" one).
    LIST_MESSAGE(90, "");
    return kImageSizeMismatch;
  }
  return 0;
}

int FormatTrack(uint16_t head, uint16_t cylinder) {
  if (app.isNT) return FormatNtTrack(head, cylinder);
  uint8_t block[5] = {0, uint8_t(head), uint8_t(head >> 8), uint8_t(cylinder),
                      uint8_t(cylinder >> 8)};
  return DosDeviceIoctl(LogicalDriveNumber(), kFormatTrack, block);
}
