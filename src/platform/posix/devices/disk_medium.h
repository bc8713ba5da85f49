// The medium in a drive, as the stand-in's volume handles ("\\.\A:") and
// its VWIN32 service reach it, and the drive that holds it. There is one
// record per drive letter for the life of the drive table, so that what a
// format request lays down stays when the volume is closed and opened
// again, as on a real diskette.
//
// Two kinds of medium stand behind the same operations: a simulated one
// over an image file (floppy: and removable: drives, simulated_medium.cpp)
// and a real block device of this machine (device: drives,
// device_medium.cpp). Internal to the stand-in.
//
// Every operation returns 0 or the Win32 error number that Windows gives
// for the same condition: ERROR_NOT_READY (no medium), ERROR_WRITE_PROTECT,
// ERROR_SECTOR_NOT_FOUND (the track has no such sector, is unformatted, or
// was laid down at another density than the transfer's), ERROR_CRC (a track
// that does not read back: laid down at a density above the medium's),
// ERROR_SEEK (a cylinder beyond the head's reach), ERROR_NOT_DOS_DISK (a
// density the drive has no data rate for, or a layout that fits no track;
// DOS calls it "unknown media type"), ERROR_UNRECOGNIZED_MEDIA (a USB drive
// refusing to format a layout the medium cannot take), ERROR_WRITE_FAULT (a
// failing track), ERROR_ACCESS_DENIED (a lock on a volume another program
// uses).
#ifndef ZOLT_PLATFORM_POSIX_DISK_MEDIUM_H
#define ZOLT_PLATFORM_POSIX_DISK_MEDIUM_H

#include <cstdint>
#include <vector>

#include "devices/drive_table.h"

// A diskette layout: sectors of 512 bytes per track, heads, cylinders.
struct DiskLayout {
  int sectorsPerTrack;
  int heads;
  int cylinders;
};

struct MediumInfo {
  bool largeRemovable;  // no tracks, only a size (removable:, a disk device)
  uint64_t sizeBytes;   // large removable media: the size
  DiskLayout layout;    // diskettes: the layout a drive finds on the medium
                        // now (its sectors and density from cylinder 0
                        // head 0); all 0 when it finds none (unformatted,
                        // or track 0 does not read back)
};

// The drive itself, whatever is in it.
struct DriveInfo {
  bool diskette;        // a diskette drive; else one of large removable media
  bool usb;             // a USB diskette drive (NT: the USB floppy class driver)
  DisketteDrive type;   // diskette drives: what the drive can do
  std::vector<MEDIA_TYPE> mediaTypes;  // diskette drives: what NT lists for it
                                       // (IOCTL_DISK_GET_MEDIA_TYPES), highest
                                       // capacity first; the internal floppy
                                       // driver formats these alone
};

struct DiskMedium;

// The operations of one kind of medium (the methods of a record, as a
// file system's table of functions).
struct MediumMethods {
  // What is in the drive. ERROR_NOT_READY when nothing is.
  DWORD (*query)(DiskMedium* medium, MediumInfo* info);

  // The drive; needs no medium.
  void (*describeDrive)(DiskMedium* medium, DriveInfo* info);

  // Diskettes: `count` sectors of one track from sector number `sector`
  // (from 1), 512 bytes each, at the data rate of `density`.
  DWORD (*readSectors)(DiskMedium* medium, int cylinder, int head, int sector, int count,
                       Density density, void* buffer);
  DWORD (*writeSectors)(DiskMedium* medium, int cylinder, int head, int sector, int count,
                        Density density, const void* buffer);

  // Diskettes: lays down one track anew with `count` sectors of 512 bytes
  // numbered as `numbers` gives them (in their order on the track), at the
  // density their count needs; `layout` is the format the track belongs
  // to, for a drive that must be set up for a whole format.
  DWORD (*formatTrack)(DiskMedium* medium, int cylinder, int head, const DiskLayout& layout,
                       const uint16_t* numbers, int count);

  // Large removable media: bytes from an offset. A transfer that reaches
  // past the end is cut short (`done` tells how much) and is no error.
  DWORD (*readBytes)(DiskMedium* medium, uint64_t offset, void* buffer, uint32_t length,
                     uint32_t* done);
  DWORD (*writeBytes)(DiskMedium* medium, uint64_t offset, const void* buffer, uint32_t length,
                      uint32_t* done);

  // Exclusive use of the medium, for writing. ERROR_ACCESS_DENIED when a
  // mounted file system is on it or another program has files open on it.
  DWORD (*lock)(DiskMedium* medium);
  void (*unlock)(DiskMedium* medium);

  // Drops what is buffered: the next access sees the medium anew (a
  // dismount, a medium change).
  void (*flush)(DiskMedium* medium);

  // Frees the record (the drive table is being replaced).
  void (*close)(DiskMedium* medium);
};

struct DiskMedium {
  const MediumMethods* methods;
  DriveEntry* drive;  // the table entry; its fault counters and format change
  void* state;        // the kind's own
};

// The medium record of a floppy:, removable: or device: drive, made on
// first use; nullptr for other letters and drives.
DiskMedium* MediumOfDrive(char letter);

// Puts `medium` in for the drive of `letter` (an entry of the table), in
// place of the record the drive's kind would make: a test's own medium,
// for conditions no image file can show. ForgetMedia closes it.
void SetDriveMedium(char letter, DiskMedium* medium);

// Closes every medium record (SetDriveTable calls it before replacing the
// table).
void ForgetMedia();

// The kinds' constructors; nullptr when the record cannot be made.
DiskMedium* OpenSimulatedMedium(DriveEntry* drive);
DiskMedium* OpenDeviceMedium(DriveEntry* drive);

#endif
