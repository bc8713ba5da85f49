// Simulated media over image files: not written yet.
#include "platform/posix/disk_medium.h"

DiskMedium* OpenSimulatedMedium(DriveEntry*) { return nullptr; }
