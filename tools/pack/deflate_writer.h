// The container's compressed stream, written: raw deflate (no zlib or gzip
// wrapper, 32 KiB window) at the best compression, straight into the output
// file, counting the compressed bytes for the header's deflateLength.
#ifndef ZOLT_PACK_DEFLATE_WRITER_H
#define ZOLT_PACK_DEFLATE_WRITER_H

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct DeflateWriter {
  z_stream z{};
  bool open = false;
  FILE* file = nullptr;   // written at its current position
  uint64_t written = 0;   // compressed bytes so far
  uint8_t out[65536];
};

bool DeflateOpen(DeflateWriter* writer, FILE* file, std::string* error);

// Compresses `length` bytes into the file.
bool DeflateWrite(DeflateWriter* writer, const void* bytes, size_t length, std::string* error);

// Ends the stream (the final block) and writes what is left.
bool DeflateFinish(DeflateWriter* writer, std::string* error);

// Frees the compressor; safe to call more than once.
void DeflateClose(DeflateWriter* writer);

#endif
