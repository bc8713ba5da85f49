// The diskette branch of a run: what the target's opening means for the
// run, and the drive's release at its end.
#include "writer/disk_output.h"

#include "app/app_state.h"
#include "app/list_message.h"
#include "device/nt_volume.h"
#include "device/vwin32_disk.h"
#include "writer/disk_writer.h"
#include "writer/target_drive.h"

int StartDiskOutput() {
  MEDIA_TYPE mediaType;
  if (app.isNT && !app.largeMediaMode && !NtMediaTypeFor(app.format, &mediaType)) {
    // The NT floppy driver could not format a track of this geometry, and
    // a diskette in another format would be left half written.
    LIST_MESSAGE(91, "");
    app.errorCode = ERROR_NOT_SUPPORTED;
    return ERROR_NOT_SUPPORTED;
  }
  const int opened = OpenTargetDrive(app.targetDrive);
  app.lastResult = opened;
  switch (opened) {
    case 0:
      break;
    case ERROR_INVALID_DRIVE:
    case kNotRemovableMedia:
    case kDriveOpenFailed:
      app.errorCode = opened;
      LIST_MESSAGE(69, "su", kProductPrefix, (unsigned)opened);
      return opened;
    case kImageSizeMismatch:
      LIST_MESSAGE(90, "");
      app.errorCode = opened;
      return opened;
    default:  // 1: another format; 8: the medium could not be measured
      app.formatWhileCopying = 1;
      break;
  }
  return StartDiskWriter();
}

int WriteDiskTrack() { return WriteImageTrack(); }

void ReleaseDiskOutput() {
  if (app.isNT)
    ReleaseTargetVolume();
  else if (app.driveOpened)
    ReleaseTargetDrive();
}
