// Formatting one track of the target diskette in the image's format.
#ifndef ZOLT_WRITER_FORMAT_TRACK_H
#define ZOLT_WRITER_FORMAT_TRACK_H

#include <cstdint>

// NT: 0, 1 (the format request failed) or 2002 (the volume could not be
// opened again after cylinder 0 head 0). Windows 9x: 0, the DOS error or
// 65535.
int FormatTrack(uint16_t head, uint16_t cylinder);

#endif
