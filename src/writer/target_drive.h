// Choosing and opening the target drive for a diskette run.
#ifndef ZOLT_WRITER_TARGET_DRIVE_H
#define ZOLT_WRITER_TARGET_DRIVE_H

#include <cstdint>

#include "platform/win32.h"

// OpenTargetDrive results besides 0 (write as it is), 1 (format while
// copying) and the system's error numbers (8, 15).
constexpr int kNotRemovableMedia = 991;
constexpr int kDriveOpenFailed = 2002;
constexpr int kImageSizeMismatch = 2030;

// Opens and locks the drive named by `driveString` ("a:") for raw access
// and compares the medium with the image. Returns 0, 1, 8, 15, 991, 2002
// or 2030; lists its messages itself.
int OpenTargetDrive(const char* driveString);

// The number of sectors that can be read from the start of an open NT
// volume, by binary search and a short scan (at most 1,048,576).
uint32_t CountReadableSectors(HANDLE volume);

#endif
