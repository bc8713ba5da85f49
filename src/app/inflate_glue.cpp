// Raw deflate through zlib, between the container file and the output sink.
#include "app/inflate_glue.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/output_sink.h"

namespace {

z_stream stream;
bool streamReady = false;

// Refills the input buffer from the container file, never beyond the
// budget. Returns the number of bytes now available (0: end of input).
uint32_t RefillInput() {
  if (app.deflateBudget <= 0) return 0;
  uint32_t want = kInputBufferSize;
  if (uint32_t(app.deflateBudget) < want) want = uint32_t(app.deflateBudget);
  size_t got = fread(app.inputBuffer, 1, want, app.containerFile);
  app.lastResult = 0;
  app.deflateBudget -= int32_t(got);
  return uint32_t(got);
}

// Hands `count` bytes of the window to the sink and keeps its result.
int FlushWindow(uint32_t count) {
  int result = OutputSink(app.window, count);
  app.lastSinkResult = result;
  if (result != 0) app.runStatus = result;
  return result;
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
  stream.next_out = app.window;
  stream.avail_out = kWindowSize;
  bool endOfInput = false;
  for (;;) {
    if (stream.avail_in == 0 && !endOfInput) {
      stream.next_in = app.inputBuffer;
      stream.avail_in = RefillInput();
      if (stream.avail_in == 0) endOfInput = true;
    }
    int result = inflate(&stream, Z_NO_FLUSH);
    if (stream.avail_out == 0) {
      int sink = FlushWindow(kWindowSize);
      if (sink != 0) return sink;
      stream.next_out = app.window;
      stream.avail_out = kWindowSize;
    }
    if (result == Z_STREAM_END) {
      uint32_t rest = kWindowSize - stream.avail_out;
      return rest != 0 ? FlushWindow(rest) : 0;
    }
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
