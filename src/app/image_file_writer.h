// Writing the image file on a thread of its own, while the worker inflates
// on. In image-file mode trackBuffer and verifyBuffer (which has no other
// use there) each hold a batch of whole tracks: the worker fills one while
// the thread takes the other, and they swap when the one being filled has
// no room for another track. The thread adds each batch to the image's
// CRC-32 and writes it, one write per batch, in the tracks' order; a write
// that takes less than its batch is reported (message 56) at the worker's
// next hand-over, or when the run's writes end. Without a password the
// image's bytes are inflated straight into the buffer being filled
// (ImageDataPlace in output_sink.h). Each hand-over wakes a thread, which
// costs tens of microseconds when it wakes it on the other processor;
// batches of 256 KiB keep them to a few hundred for a 64 MiB image.
#ifndef ZOLT_APP_IMAGE_FILE_WRITER_H
#define ZOLT_APP_IMAGE_FILE_WRITER_H

#include <cstdint>

// The size of each of the two buffers in image-file mode for tracks of
// `trackBytes`: as many whole tracks as fit in 256 KiB, at least one.
uint32_t ImageFileBufferBytes(uint32_t trackBytes);

// Starts the writer thread for app.imageFile, once the format is known; it
// waits for the first batch (the buffers need not exist yet). When the
// thread or its semaphores cannot be made, every track is written at once
// by the worker instead.
void StartImageFileWriter();

// Where the track being filled goes: in app.trackBuffer, after the whole
// tracks already there.
uint8_t* ImageFileTrack();

// The bytes from ImageFileTrack() to the end of the tracks that the buffer
// takes before it goes to the writer (without the thread: one track).
uint32_t ImageFileRoom();

// The track at ImageFileTrack(), `length` bytes, is complete. When the
// buffer has no room for another track, hands it to the writer and goes on
// in the other buffer once the writes from it have ended. (Without the
// thread the track's CRC and write are done here, at once.) Returns 0, or 8
// when a write has fallen short (already reported).
int WriteImageFileTrack(uint32_t length);

// No more tracks: hands over what the buffer holds, waits until every track
// is written and ends the thread; app.runningCrc is then the image's. Returns 8 when a write fell short and the
// worker had not reported it yet (it is reported now), else 0. Does nothing
// when no writer was started.
int EndImageFileWriter();

#endif
