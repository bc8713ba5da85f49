// The end of a Windows 9x run: the diskette drive is given back as it was.
#include <cctype>
#include <cstdlib>

#include "app/app_state.h"
#include "device/vwin32_disk.h"

void ReleaseTargetDrive() {
  const char letter = char(toupper((unsigned char)app.targetDrive[0]));
  if (letter == 'A' || letter == 'B' || app.largeMediaMode != 0) {
    free(app.sectorBuffer);
    app.sectorBuffer = nullptr;
    // Every lock of the run, also those the writer took on top of the
    // opening's (large media).
    do {
      UnlockTargetVolume(app.targetDrive);
    } while (app.volumeLocks > 0);
    if (app.driveParamsChanged) {
      SetDriveParams(1, app.driveBpb, true);
      SetDriveParams(0, app.driveBpb, true);
      app.driveParamsChanged = 0;
    }
    uint8_t access[2] = {0, 0xFF};  // special functions 0; access allowed
    app.lastResult = DosDeviceIoctl(LogicalDriveNumber(), kSetAccessFlag, access);
    app.lastResult = DosDeviceIoctl(LogicalDriveNumber(), kEjectMedia, nullptr);
    CloseHandle(app.deviceHandle);
    app.deviceHandle = nullptr;
  }
  app.driveOpened = 0;
}
