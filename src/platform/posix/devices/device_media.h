// Real block devices of this machine as media, for the device: drives of
// ZOLT_DRIVES: the two kinds behind OpenDeviceMedium (a drive of the Linux
// floppy driver, floppy_medium.cpp, and any other block device as a large
// removable medium, device_block_medium.cpp) and the open device that both
// hold: its descriptor, its exclusive claim while the volume is locked, and
// the refusal to touch a device whose file systems are mounted
// (device_access.cpp, device_mounts.cpp). Internal to the stand-in.
#ifndef ZOLT_PLATFORM_POSIX_DEVICE_MEDIA_H
#define ZOLT_PLATFORM_POSIX_DEVICE_MEDIA_H

#include <sys/types.h>

#include <string>

#include "devices/disk_medium.h"

struct OpenDevice {
  std::string path;
  dev_t number;        // the device's major and minor
  int fd;              // open for the life of the medium record
  int flags;           // the open(2) flags of fd, without O_EXCL
  DWORD noWriteError;  // 0 when fd is open for writing; else the error a
                       // write gets (ERROR_WRITE_PROTECT, ERROR_ACCESS_DENIED)
  bool locked;         // fd holds the device's exclusive claim (O_EXCL)
  mutable bool refusalTold;  // why it is not written has been said on stderr
};

// Opens `path` with `flags` (O_RDWR and the kind's own, O_CLOEXEC added),
// falling back to reading only when the device refuses writing. 0, or the
// Win32 error of the failed open.
DWORD OpenBlockDevice(const std::string& path, int flags, OpenDevice* device);
void CloseBlockDevice(OpenDevice* device);

// FSCTL_LOCK_VOLUME: refused (ERROR_ACCESS_DENIED) while a file system on
// the device or one of its partitions is mounted or another program holds
// it exclusively; otherwise the descriptor is opened anew with O_EXCL,
// which keeps mounts away until the unlock.
DWORD LockBlockDevice(OpenDevice* device);
void UnlockBlockDevice(OpenDevice* device);

// Whether anything may be written now: ERROR_ACCESS_DENIED while a file
// system on the device is mounted (locked or not, as Windows refuses raw
// writes under a mounted volume), the open's own refusal, else 0.
DWORD WriteRefusal(const OpenDevice& device);

// Whether `device` or one of its partitions is the source of a mounted file
// system in the mount table `mounts` (/proc/self/mounts), and where the
// first such is mounted. Sources are compared by device number, so that
// any name of the device counts.
bool MountedFileSystemOn(dev_t device, const char* mounts, std::string* where = nullptr);

// Whether the file `path` lies on `device` or one of its partitions.
bool HoldsFile(dev_t device, const char* path);

// The Win32 error for an errno of a device request; `otherwise` for a
// failure of the medium itself (EIO and the rest).
DWORD Win32ErrorOfDevice(int error, DWORD otherwise);

DiskMedium* OpenFloppyMedium(DriveEntry* drive, const OpenDevice& device);
DiskMedium* OpenBlockMedium(DriveEntry* drive, const OpenDevice& device);
DiskMedium* OpenUsbDisketteMedium(DriveEntry* drive, const OpenDevice& device);

// Transfers of a disk device through the page cache (device_block_medium.cpp):
// the size of the medium in it now (ERROR_NOT_READY with none); bytes from
// an offset, cut short at the medium's end, read from the medium itself
// (its cached blocks dropped first); writes synced before they count.
DWORD DeviceMediumSize(const OpenDevice& device, uint64_t* size);
DWORD ReadDeviceBytes(const OpenDevice& device, uint64_t offset, void* buffer, uint32_t length,
                      uint32_t* done);
DWORD WriteDeviceBytes(const OpenDevice& device, uint64_t offset, const void* buffer,
                       uint32_t length, uint32_t* done);

// Whether the block device `number` is a USB diskette drive (the UFI
// command set behind usb-storage), from the sysfs links in `sysDevBlock`
// (normally /sys/dev/block).
bool IsUsbDisketteDrive(dev_t number, const std::string& sysDevBlock = "/sys/dev/block");

// Whether the open device is a drive of the Linux floppy driver.
bool IsFloppyDriverDevice(const OpenDevice& device);

#endif
