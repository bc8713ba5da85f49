// devices/ is this port's own: the drives behind the volume handles. The
// drive table, simulated media, real block devices and USB sticks, mounts,
// the Linux floppy driver, CreateFileA on a volume with its transfers and
// control requests, and the device trace. Its interface for the other
// folders: this header, disk_medium.h, diskette_drives.h and
// device_trace.h. It uses kernel32/standin.h, kernel32/handles.h,
// kernel32/standard_streams.h and vwin32/vwin32_service.h.
//
// The stand-in's drive table: which drive letters exist, what kind of drive
// each one is, and for a simulated diskette or removable drive the drive's
// type and the medium in it (its image file, present format, density,
// write protection, whether other programs use it, and the tracks on which
// requests are to fail). It comes from ZOLT_DRIVES, or from this
// machine's block devices when that is unset. Internal to the stand-in: the
// program sees only GetDriveTypeA, GetLogicalDrives and, later, the volumes.
//
// The table is replaced at start (and by tests) before any other thread
// runs; afterwards only the restore worker's simulated volumes change the
// entries (the fault counters and the medium's format).
#ifndef ZOLT_PLATFORM_POSIX_DRIVE_TABLE_H
#define ZOLT_PLATFORM_POSIX_DRIVE_TABLE_H

#include <string>
#include <vector>

#include "platform/posix/windows.h"

// The kinds of ZOLT_DRIVES, one per word of the setting.
enum class DriveKind {
  kFloppy,     // a diskette drive; the medium is an image file
  kRemovable,  // a large removable medium (Zip, LS-120, card); an image file
  kFixed,      // a hard disk: never a target
  kRemote,     // a network share
  kCdrom,
  kRamdisk,
  kDevice,  // a real block device of this machine; its type from the system
};

// The standard diskette formats a simulated medium can carry, and none for
// a medium that has never been formatted (every request on it fails until a
// track is formatted).
enum class MediumFormat {
  kNone,
  k160K,
  k180K,
  k320K,
  k360K,
  k720K,
  k1200K,
  k1440K,
  k1680K,  // the 21-sector distribution format
  k2880K,
};

// One format's shape. Sectors are 512 bytes on every diskette.
struct MediumGeometry {
  const char* name;  // as written in ZOLT_DRIVES: "720k", "1.44m", "none"
  int sectorsPerTrack;
  int heads;
  int cylinders;
  int totalSectors;  // the three multiplied; 0 for none
};

// The types of diskette drive, each named by its own format's capacity.
enum class DisketteDrive {
  k360K,   // 5.25", 40 tracks, double density only
  k1200K,  // 5.25", 80 tracks, double and high density
  k720K,   // 3.5", double density only
  k1440K,  // 3.5", double and high density
  k2880K,  // 3.5", double, high and extra-high density
};

// A recording density: of a medium (what its coating can hold), of a track
// (what it was laid down at) and of a transfer (the data rate the
// controller is set to). A layout's density follows from its sectors per
// track: up to 10 double, 11 to 21 high, 22 to 40 extra-high; more fit no
// track (kNone). kAny is a transfer at whatever density the track has, as
// the BIOS finds it by trying the drive's data rates.
enum class Density { kNone, kDD, kHD, kED, kAny };

// Requests on one track that fail (ERROR_WRITE_FAULT and the like, decided
// by the simulated volume).
struct TrackFault {
  int cylinder;
  int head;
  int count;  // requests still to fail; -1: every request, for ever
};

struct DriveEntry {
  char letter;                        // 'A' to 'Z'
  DriveKind kind;
  UINT driveType;                     // what GetDriveTypeA answers
  std::string path;                   // floppy, removable: the medium's image file
                                      // (created when first written); device: the
                                      // block device; machine drives: their device
  MediumFormat format;                // the medium's present format (kNone also
                                      // while it is partly one and partly another)
  DisketteDrive disketteDrive;        // floppy: the drive's type
  bool usb;                           // floppy: a USB diskette drive
  Density density;                    // floppy: the medium's density
  bool readonly;                      // write-protected medium
  bool empty;                         // no medium in the drive: not ready
  bool busy;                          // another program has files open on the
                                      // volume: its lock is refused
  std::vector<TrackFault> failWrite;  // at most one per track
  std::vector<TrackFault> failFormat;
};

// In letter order, each letter at most once.
typedef std::vector<DriveEntry> DriveTable;

// The geometry of a format; for kNone the name "none" and zeros.
const MediumGeometry& GeometryOf(MediumFormat format);

// The format of a ZOLT_DRIVES format name ("360k", "1.2m", "none").
bool MediumFormatByName(const std::string& name, MediumFormat* format);

// The format whose size the file has exactly; kNone when the file is
// missing, is not a regular file or has no standard diskette size.
MediumFormat MediumFormatOfFile(const std::string& path);

// The drive type of a block device: a diskette drive (the floppy
// controller's devices) and a disk that the kernel marks removable are
// DRIVE_REMOVABLE, any other disk or partition DRIVE_FIXED. False, with the
// reason in `why`, when `path` is not a block device.
bool BlockDeviceDriveType(const std::string& path, UINT* type, std::string* why);

// The drives of this machine, from the block devices listed in `sysBlock`
// (normally "/sys/block"): A: and B: for diskette drives fd0 and fd1; then,
// from C: on, the non-removable disks (not loop, ram, zram, fd, sr or dm
// devices) as fixed drives in name order, then the CD-ROM drives (sr).
DriveTable MachineDriveTable(const std::string& sysBlock);

// Puts `table` in force (ParseDriveSetting does this on success).
void SetDriveTable(DriveTable table);

// The entry in force for `letter` (either case), or nullptr.
DriveEntry* FindDrive(char letter);

#endif
