// The container's compressed stream, read: raw deflate served from exactly
// `deflateLength` bytes of the file and never beyond (the trailer follows),
// decompressed in 32 KiB windows like the restorer does. The reader keeps
// its own file offset, so other reads of the same file (the password's
// table) may come in between.
#ifndef ZOLT_PACK_INFLATE_READER_H
#define ZOLT_PACK_INFLATE_READER_H

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct InflateReader {
  FILE* file = nullptr;
  uint64_t fileOffset = 0;  // next compressed byte to read from the file
  uint64_t budget = 0;      // compressed bytes not yet read from the file
  z_stream z{};
  bool open = false;
  bool ended = false;       // the final deflate block has been decoded
  uint64_t position = 0;    // decompressed bytes handed out so far
  size_t outStart = 0, outEnd = 0;
  std::string error;        // set when the stream is corrupt, cut short or unreadable
  uint8_t in[8192];
  uint8_t out[32768];
};

// Starts reading the `length` bytes of raw deflate at `offset` of `file`.
bool InflateOpen(InflateReader* reader, FILE* file, uint64_t offset, uint64_t length, std::string* error);

// Copies up to `length` next decompressed bytes to `bytes` and sets `got`.
// Fewer than `length` only at the end of the stream, or on an error: the
// result is then false and `reader->error` says what went wrong.
bool InflateRead(InflateReader* reader, uint8_t* bytes, size_t length, size_t* got);

// An upper bound of the decompressed bytes still to come: deflate expands
// at most 1,032 times (a 258-byte match in two bits).
uint64_t InflateMaxRemaining(const InflateReader* reader);

void InflateClose(InflateReader* reader);

#endif
