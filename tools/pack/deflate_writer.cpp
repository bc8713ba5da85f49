// Raw deflate compression into a file.
#include "pack/deflate_writer.h"

namespace {

// Runs the compressor over what it has been given, with `flush`, and writes
// its output. Returns the last result of deflate, or Z_ERRNO on a write error.
int Pump(DeflateWriter* writer, int flush) {
  int result;
  do {
    writer->z.next_out = writer->out;
    writer->z.avail_out = sizeof writer->out;
    result = deflate(&writer->z, flush);
    if (result == Z_STREAM_ERROR) return result;
    size_t produced = sizeof writer->out - writer->z.avail_out;
    if (produced != 0 && fwrite(writer->out, 1, produced, writer->file) != produced) return Z_ERRNO;
    writer->written += produced;
  } while (writer->z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  return result;
}

}  // namespace

bool DeflateOpen(DeflateWriter* writer, FILE* file, std::string* error) {
  writer->z = z_stream{};
  writer->file = file;
  writer->written = 0;
  // Negative window bits: a raw stream, as the restorer's decompressor reads.
  if (deflateInit2(&writer->z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    *error = "cannot start the compressor (out of memory)";
    return false;
  }
  writer->open = true;
  return true;
}

bool DeflateWrite(DeflateWriter* writer, const void* bytes, size_t length, std::string* error) {
  const Bytef* next = static_cast<const Bytef*>(bytes);
  while (length > 0) {
    uInt piece = length > 1u << 30 ? 1u << 30 : uInt(length);
    writer->z.next_in = const_cast<Bytef*>(next);
    writer->z.avail_in = piece;
    int result = Pump(writer, Z_NO_FLUSH);
    if (result == Z_ERRNO) {
      *error = "cannot write the output file";
      return false;
    }
    if (result == Z_STREAM_ERROR || writer->z.avail_in != 0) {
      *error = "the compressor failed";
      return false;
    }
    next += piece;
    length -= piece;
  }
  return true;
}

bool DeflateFinish(DeflateWriter* writer, std::string* error) {
  writer->z.next_in = nullptr;
  writer->z.avail_in = 0;
  int result = Pump(writer, Z_FINISH);
  if (result == Z_ERRNO) {
    *error = "cannot write the output file";
    return false;
  }
  if (result != Z_STREAM_END) {
    *error = "the compressor failed";
    return false;
  }
  return true;
}

void DeflateClose(DeflateWriter* writer) {
  if (writer->open) deflateEnd(&writer->z);
  writer->open = false;
}
