// The output sink: receives the decompressed stream window by window and
// turns it into the run. It unpacks the text block into the catalogue and
// the free texts, lets the dialog appear, lists the free texts, waits for
// the user to start, then cuts the image into tracks through the
// substitution table and hands each track to the image file, the integrity
// check or the diskette writer. It runs on the worker thread and keeps its
// parsing state in AppState between calls, so it resumes at any window
// boundary, also inside a record header.
#ifndef ZOLT_APP_OUTPUT_SINK_H
#define ZOLT_APP_OUTPUT_SINK_H

#include <cstdint>

// What the next bytes of the stream are.
enum SinkState : uint8_t {
  kSinkRecordType = 0x00,       // a record type byte: 0x80, then 0x02, then 0xFF
  kSinkFreeTextHeader = 0x02,   // the free-text record's length and count
  kSinkCatalogueHeader = 0x80,  // the catalogue record's length and count
  kSinkCatalogueCopy = 0x10,    // the catalogue's string area, being copied
  kSinkFreeTextCopy = 0x11,     // the free texts' string area, being copied
  kSinkFreeTextsDone = 0x12,    // text block complete; the run has not started
  kSinkImageData = 0xFF,        // image bytes, to the end of the stream
};

// Takes `count` bytes of decompressed stream. Returns 0 to go on, or the
// code that ends the run: 1 stopped by the user, 8 no memory or a short
// image-file write, 13 a damaged text block, 82 an image file that could
// not be created, or the target's and writer's codes.
int OutputSink(const uint8_t* data, uint32_t count);

// Where the decompressor may put the next bytes of the stream itself, so
// that the sink takes them where they lie instead of copying them: the
// image file's buffer, from the track being filled to the end of the
// tracks it takes before it goes to the writer; *room is that many bytes.
// Null while the bytes have to pass through the window: the text block, an
// image a password protects (its bytes are substituted), the check alone
// (it needs no copy), the diskette writer, and after the image's end.
// Bytes put there are then handed to OutputSink at that place, in order.
uint8_t* ImageDataPlace(uint32_t* room);

// The image file took less than it was given: message 56 on standard output
// and in the list. Returns 8, the run's code for it.
int ReportImageFileFull();

#endif
