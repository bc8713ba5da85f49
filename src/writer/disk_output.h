// The diskette as the destination of a run: opening the target drive and
// starting the writer, then one call per track.
#ifndef ZOLT_WRITER_DISK_OUTPUT_H
#define ZOLT_WRITER_DISK_OUTPUT_H

// Opens the target drive and starts the writer. Returns 0, or the code that
// ends the run (the messages are listed here or by the writer).
int StartDiskOutput();

// Writes the track in trackBuffer at the current position and advances it.
int WriteDiskTrack();

// Gives the drive back at the end of a diskette run.
void ReleaseDiskOutput();

#endif
