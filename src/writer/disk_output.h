// The diskette as the destination of a run: opening the target drive and
// starting the writer, then one call per track.
#ifndef ZOLT_WRITER_DISK_OUTPUT_H
#define ZOLT_WRITER_DISK_OUTPUT_H

// Prepares the target drive for the image. Returns 0, or the code that ends
// the run (the messages are listed here).
int StartDiskOutput();

// Writes the track in trackBuffer at the current position and advances it.
int WriteDiskTrack();

#endif
