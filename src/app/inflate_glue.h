// The decompressor of the restore worker: zlib's raw inflate, fed 8,192
// bytes at a time from the container file and no more than the header's
// deflate length, and handing its output to the output sink in windows of
// exactly 32,768 bytes (and once more at the end with the rest). Image
// bytes that the sink keeps as they are (an image file without a password)
// are inflated straight into their place in the image file's buffer, as
// much as it has room for at once; the sink still takes them window by
// window, and a window that runs past the room in two parts, its rest in
// the window buffer.
#ifndef ZOLT_APP_INFLATE_GLUE_H
#define ZOLT_APP_INFLATE_GLUE_H

#include <cstdint>

constexpr uint32_t kInputBufferSize = 8192;
constexpr uint32_t kWindowSize = 32768;

// Allocates the output window (zero-filled). Returns 0 or 3 (no memory).
int InflateInit();

// Decompresses the whole stream from the container file's position, with
// app.deflateBudget bytes to serve. Returns 0 when the stream ended and
// every window was taken; the sink's non-zero result, which stops it at
// once; or the decompressor's code: 1 invalid or truncated data, 2 an
// unknown block type, 3 no memory.
int InflateRun();

// Frees the window and the decompressor's tables.
void InflateEnd();

#endif
