// The two simulated kinds of medium behind OpenSimulatedMedium: a diskette
// kept track by track in memory and written through to its image file
// (simulated_diskette.cpp), and a large removable medium read and written
// in its image file in place (simulated_removable.cpp). Also the image file
// access that both share. Internal to the stand-in.
#ifndef ZOLT_PLATFORM_POSIX_SIMULATED_MEDIA_H
#define ZOLT_PLATFORM_POSIX_SIMULATED_MEDIA_H

#include <cstddef>
#include <cstdint>

#include "devices/disk_medium.h"

DiskMedium* OpenSimulatedDiskette(DriveEntry* drive);
DiskMedium* OpenSimulatedRemovable(DriveEntry* drive);

// Whole transfers at an offset of an open image file, retried after
// interruptions. A read stops early only at the end of the file (`got`
// tells how far it came); false on an error of the host.
bool ReadImageFile(int fd, uint64_t offset, void* buffer, size_t length, size_t* got);
bool WriteImageFile(int fd, uint64_t offset, const void* buffer, size_t length);

// Says on stderr that the host failed `what` on the drive's image file,
// with the reason in errno. A simulated drive whose file cannot be used is
// a broken set-up, not a medium fault, so it must not pass unseen.
void ReportImageFileFailure(const DriveEntry* drive, const char* what);

// The exclusive use that FSCTL_LOCK_VOLUME takes: refused while another
// holds it or another program has files open on the volume (`busy`), with
// ERROR_ACCESS_DENIED as for a volume in use, and there is nothing to lock
// without a medium (ERROR_NOT_READY).
DWORD TakeSimulatedLock(bool* held, bool mediumPresent, bool busy);

#endif
