// Formatting one track of the target diskette in the image's format.
#ifndef ZOLT_WRITER_FORMAT_TRACK_H
#define ZOLT_WRITER_FORMAT_TRACK_H

#include <cstdint>

// NT: 0, 1 (the format request failed), 19 or 21 (it failed because the
// diskette is write-protected or gone) or 2002 (the volume could not be
// opened again after cylinder 0 head 0). Windows 9x: 0, the DOS error or
// 65535.
int FormatTrack(uint16_t head, uint16_t cylinder);

// NT, before the first track is formatted: 0 when the drive can lay the
// image's tracks down; otherwise lists why not and returns the run's code,
// ERROR_NOT_SUPPORTED (no media type has the image's geometry) or 2030
// (the drive does not take that media type).
int NtFormattingRefusal();

#endif
