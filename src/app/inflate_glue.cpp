// Raw deflate through zlib, between the container file and the output sink.
#include "app/inflate_glue.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/output_sink.h"

namespace {

z_stream stream;
bool streamReady = false;
// Where the next read from the container file begins, as far as the reads
// of the stream tell (the first one starts at the file's position).
uint64_t inputAt = 0;

// Refills the input buffer from the container file, never beyond the
// budget. Returns the number of bytes now available (0: end of input).
// Each read ends at a multiple of the buffer's size in the file: after the
// first, shorter one, the reads are whole aligned blocks, which the C
// library takes straight into the input buffer instead of through its own
// buffer in two pieces.
uint32_t RefillInput() {
  if (app.deflateBudget <= 0) return 0;
  uint32_t want = kInputBufferSize - uint32_t(inputAt % kInputBufferSize);
  if (uint32_t(app.deflateBudget) < want) want = uint32_t(app.deflateBudget);
  size_t got = fread(app.inputBuffer, 1, want, app.containerFile);
  app.lastResult = 0;
  app.deflateBudget -= int32_t(got);
  inputAt += got;
  return uint32_t(got);
}

// The window being inflated. While the sink offers the image's own place
// for the bytes (ImageDataPlace), they go there, from placeNext up to
// placeEnd, window after window; a window the place cannot finish goes on
// at the start of app.window (spilled). Without a place, the window is
// app.window. The sink takes each window once it is complete, as it would
// take app.window, its parts in order.
uint8_t* placeNext = nullptr;
uint8_t* placeEnd = nullptr;
bool spilled = false;

// Starts a window where the sink wants its bytes.
void StartWindow() {
  uint32_t room = 0;
  placeNext = ImageDataPlace(&room);
  spilled = false;
  if (placeNext != nullptr && room != 0) {
    placeEnd = placeNext + room;
    stream.next_out = placeNext;
    stream.avail_out = room;
    return;
  }
  placeNext = nullptr;
  stream.next_out = app.window;
  stream.avail_out = kWindowSize;
}

// Hands `count` bytes at `data` to the sink and keeps its result.
int FlushWindow(const uint8_t* data, uint32_t count) {
  int result = OutputSink(data, count);
  app.lastSinkResult = result;
  if (result != 0) app.runStatus = result;
  return result;
}

// Hands every complete window to the sink, and at the stream's end
// (`ended`) the last, shorter one. Returns 0 or the sink's result.
int HandOnWindows(bool ended) {
  for (;;) {
    // The window's bytes so far: in the place, then in app.window.
    uint32_t placed = 0;
    uint32_t buffered = 0;
    if (placeNext == nullptr)
      buffered = uint32_t(stream.next_out - app.window);
    else if (!spilled)
      placed = uint32_t(stream.next_out - placeNext);
    else {
      placed = uint32_t(placeEnd - placeNext);
      buffered = uint32_t(stream.next_out - app.window);
    }
    const uint32_t fromPlace = placed < kWindowSize ? placed : kWindowSize;
    const uint32_t total = fromPlace + buffered;
    if (total == 0 || (total < kWindowSize && !ended)) {
      if (placeNext != nullptr && !spilled && stream.avail_out == 0) {
        // The place is full inside the window: its rest goes to app.window.
        spilled = true;
        stream.next_out = app.window;
        stream.avail_out = kWindowSize - placed;
      }
      return 0;
    }
    int result = fromPlace != 0 ? FlushWindow(placeNext, fromPlace) : 0;
    if (result == 0 && buffered != 0) result = FlushWindow(app.window, buffered);
    if (result != 0 || total < kWindowSize) return result;
    if (placeNext != nullptr && !spilled && placed > kWindowSize) {
      placeNext += kWindowSize;  // the next window is in the place already
      continue;
    }
    StartWindow();
  }
}

int MapInflateError(int zlibResult) {
  if (zlibResult == Z_MEM_ERROR) return 3;
  if (zlibResult == Z_DATA_ERROR && stream.msg != nullptr && strcmp(stream.msg, "invalid block type") == 0)
    return 2;
  return 1;
}

}  // namespace

int InflateInit() {
  app.window = (uint8_t*)calloc(kWindowSize, 1);
  if (app.window == nullptr) return 3;
  memset(&stream, 0, sizeof stream);
  if (inflateInit2(&stream, -15) != Z_OK) {
    free(app.window);
    app.window = nullptr;
    return 3;
  }
  streamReady = true;
  return 0;
}

int InflateRun() {
  if (!streamReady) return 3;
  const long position = ftell(app.containerFile);
  inputAt = position > 0 ? uint64_t(position) : 0;
  StartWindow();
  bool endOfInput = false;
  for (;;) {
    if (stream.avail_in == 0 && !endOfInput) {
      stream.next_in = app.inputBuffer;
      stream.avail_in = RefillInput();
      if (stream.avail_in == 0) endOfInput = true;
    }
    int result = inflate(&stream, Z_NO_FLUSH);
    // The windows completed are handed on whatever the result: what came
    // before damaged data is the sink's as it would be window by window.
    int sink = HandOnWindows(result == Z_STREAM_END);
    if (sink != 0 || result == Z_STREAM_END) return sink;
    if (result == Z_OK) continue;
    // No progress possible: more input is needed and there is none (a
    // stream cut short), or the data are damaged. Nothing more is handed on.
    if (result == Z_BUF_ERROR && !endOfInput) continue;
    return result == Z_BUF_ERROR ? 1 : MapInflateError(result);
  }
}

void InflateEnd() {
  if (streamReady) inflateEnd(&stream);
  streamReady = false;
  free(app.window);
  app.window = nullptr;
}
