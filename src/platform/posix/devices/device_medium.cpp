// Real block devices as media (device: drives): a drive of the Linux floppy
// driver and a USB diskette drive are diskette drives, any other block
// device a large removable medium.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "devices/device_media.h"
#include "devices/drive_table.h"

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
  // A USB diskette drive is known by its interface, or by the entry's
  // bus=usb for a drive that declares the SCSI command set instead.
  if (drive->usb || IsUsbDisketteDrive(device.number)) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
      // Windows 9x reaches diskettes through the BIOS, which knows no USB
      // diskette drive.
      fprintf(stderr, "zolt: %s is not written: it is a USB diskette drive, which Windows 9x does not reach\n",
              drive->path.c_str());
      CloseBlockDevice(&device);
      return nullptr;
    }
    return OpenUsbDisketteMedium(drive, device);
  }
  if (!IsFloppyDriverDevice(device)) return OpenBlockMedium(drive, device);
  CloseBlockDevice(&device);
  if (OpenBlockDevice(drive->path, O_RDWR | O_NDELAY | O_DIRECT, &device) != ERROR_SUCCESS)
    return nullptr;
  return OpenFloppyMedium(drive, device);
}
