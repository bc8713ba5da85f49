// Real block devices as media (device: drives): a drive of the Linux floppy
// driver is a diskette drive, any other block device a large removable
// medium.
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/device_media.h"

DiskMedium* OpenDeviceMedium(DriveEntry* drive) {
  // A fixed disk is never opened for writing, whatever asks for it: its
  // volume is refused as Windows refuses a program without the right.
  if (drive->driveType != DRIVE_REMOVABLE) return nullptr;
  // O_NDELAY lets the floppy driver and removable SCSI disks open a drive
  // without a medium (or with a write-protected one), as Windows opens a
  // volume whatever is in the drive; what is there shows at the first
  // request. The floppy driver's transfers go past the page cache.
  OpenDevice device;
  if (OpenBlockDevice(drive->path, O_RDWR | O_NDELAY, &device) != ERROR_SUCCESS) return nullptr;
  if (!IsFloppyDriverDevice(device)) return OpenBlockMedium(drive, device);
  CloseBlockDevice(&device);
  if (OpenBlockDevice(drive->path, O_RDWR | O_NDELAY | O_DIRECT, &device) != ERROR_SUCCESS)
    return nullptr;
  return OpenFloppyMedium(drive, device);
}
