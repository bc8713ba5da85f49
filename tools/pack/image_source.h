// The image that `zolt-pack build --image` reads: an image file, or a real
// diskette read whole as a capture (a block device on Linux such as /dev/fd0
// or a USB diskette drive's /dev/sdX; a volume such as \\.\A: on Windows).
#ifndef ZOLT_PACK_IMAGE_SOURCE_H
#define ZOLT_PACK_IMAGE_SOURCE_H

#include <cstdio>
#include <string>

// True when `path` names a device rather than a file.
bool IsDevicePath(const std::string& path);

// Opens the image at `path` for reading from its start; a device is read
// whole first, so the file returned holds exactly the medium's bytes (on
// Windows a temporary file that goes with fclose; on Linux the device
// itself, read from the medium rather than from cached blocks). Null with
// `error` naming the path and the cause.
FILE* OpenImageSource(const std::string& path, std::string* error);

#endif
