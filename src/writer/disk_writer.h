// The diskette writer: puts the image on the diskette track by track,
// formatting ahead of the write position when the diskette needs it.
#ifndef ZOLT_WRITER_DISK_WRITER_H
#define ZOLT_WRITER_DISK_WRITER_H

#include <cstdint>

// Prepares the drive and the track buffers. 0, or the code that ends the
// run before any track: 8 (no memory), 21 (not ready), 19 (write protected,
// from the first read), 50 or 2030 (NT: the drive cannot format the image's
// geometry; listed).
int StartDiskWriter();

// Writes the track in trackBuffer at cylinder/head, keeps the CRC and moves
// the position on. 0, 29 (the track failed after formatting), the result
// of a failed format, or runStatus after a stop at the end of the image.
int WriteImageTrack();

// The sector count that the boot sector in sectorBuffer declares, when it
// is a plausible diskette boot sector (or any, for a large medium); else 0.
uint32_t DeclaredSectorCount();

// Whether the boot sector in sectorBuffer declares the image's format: its
// total, and for an image of at most 65,535 sectors also its sectors per
// track and heads.
bool BootSectorDeclaresImageFormat();

// Fills sectorBuffer with a minimal boot sector carrying the image's
// geometry and the start of an empty FAT, which the diskette holds while it
// is being written (Windows 9x).
void BuildPrimerSectors();

#endif
