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
    case ERROR_NOT_READY:  // no diskette in the drive: the end of the run says so
    case ERROR_NOT_ENOUGH_MEMORY:  // the writer's sector buffer could not be had
      app.errorCode = opened;
      return opened;
    default:  // 1: another format, or one that could not be read
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
