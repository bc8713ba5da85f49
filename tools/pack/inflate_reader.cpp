// Bounded raw deflate decompression from a file.
#include "pack/inflate_reader.h"

#include <cstring>

namespace {

// Refills the output window. False at the end of the stream (`error` empty)
// or on an error (`error` set).
bool FillWindow(InflateReader* r) {
  r->outStart = r->outEnd = 0;
  while (r->outEnd == 0) {
    if (r->ended) return false;
    if (r->z.avail_in == 0 && r->budget > 0) {
      size_t want = r->budget < sizeof r->in ? size_t(r->budget) : sizeof r->in;
      if (fseeko(r->file, off_t(r->fileOffset), SEEK_SET) != 0) {
        r->error = "cannot position the file in the deflate stream";
        return false;
      }
      size_t got = fread(r->in, 1, want, r->file);
      if (got == 0) {
        r->error = ferror(r->file) ? "cannot read the deflate stream" : "the file ends inside the deflate stream";
        return false;
      }
      r->budget -= got;
      r->fileOffset += got;
      r->z.next_in = r->in;
      r->z.avail_in = uInt(got);
    }
    r->z.next_out = r->out;
    r->z.avail_out = sizeof r->out;
    int result = inflate(&r->z, Z_NO_FLUSH);
    r->outEnd = sizeof r->out - r->z.avail_out;
    if (result == Z_STREAM_END) {
      r->ended = true;
    } else if (result == Z_BUF_ERROR && r->z.avail_in == 0 && r->budget == 0) {
      r->error = "the deflate stream is cut short: its last block does not end within the header's "
                 "deflate length";
      return false;
    } else if (result != Z_OK) {
      r->error = std::string("the deflate stream is corrupt (") +
                 (r->z.msg != nullptr ? r->z.msg : "zlib error " + std::to_string(result)) + ")";
      return false;
    }
  }
  return true;
}

}  // namespace

bool InflateOpen(InflateReader* reader, FILE* file, uint64_t offset, uint64_t length, std::string* error) {
  reader->file = file;
  reader->fileOffset = offset;
  reader->budget = length;
  reader->z = z_stream{};
  reader->ended = false;
  reader->position = 0;
  reader->outStart = reader->outEnd = 0;
  reader->error.clear();
  if (inflateInit2(&reader->z, -15) != Z_OK) {
    *error = "cannot start the decompressor (out of memory)";
    return false;
  }
  reader->open = true;
  return true;
}

bool InflateRead(InflateReader* reader, uint8_t* bytes, size_t length, size_t* got) {
  *got = 0;
  while (*got < length) {
    if (reader->outStart == reader->outEnd && !FillWindow(reader)) return reader->error.empty();
    size_t piece = reader->outEnd - reader->outStart;
    if (piece > length - *got) piece = length - *got;
    memcpy(bytes + *got, reader->out + reader->outStart, piece);
    reader->outStart += piece;
    reader->position += piece;
    *got += piece;
  }
  return true;
}

uint64_t InflateMaxRemaining(const InflateReader* reader) {
  if (reader->ended) return reader->outEnd - reader->outStart;
  // What zlib holds back between calls (a match cut by the window's end) is
  // small; 64 KiB covers it.
  return (reader->budget + reader->z.avail_in) * 1032 + (reader->outEnd - reader->outStart) + 65536;
}

void InflateClose(InflateReader* reader) {
  if (reader->open) inflateEnd(&reader->z);
  reader->open = false;
}
