// The Linux floppy driver's parameters for the diskette layouts the
// program formats: which entry of the kernel's own format table (the one
// fdformat and setfdprm use) a layout takes in a given kind of drive.
// Internal to the stand-in.
#ifndef ZOLT_PLATFORM_POSIX_FLOPPY_FORMATS_H
#define ZOLT_PLATFORM_POSIX_FLOPPY_FORMATS_H

#include <linux/fd.h>

#include "devices/disk_medium.h"

// The parameters with which a drive of CMOS type `cmosType` (FDGETDRVPRM's
// cmos: 1 360K 5.25", 2 1.2M 5.25", 3 720K 3.5", 4 1.44M 3.5", 5 and 6
// 2.88M 3.5"; 0 unknown, taken as a 1.44M 3.5" drive) lays down and reads
// `layout`; false when such a drive has no format with that layout.
bool StandardFloppyParameters(const DiskLayout& layout, int cmosType, floppy_struct* parameters);

#endif
