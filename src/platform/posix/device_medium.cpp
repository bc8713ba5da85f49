// Real block devices as media: not written yet.
#include "platform/posix/disk_medium.h"

DiskMedium* OpenDeviceMedium(DriveEntry*) { return nullptr; }
