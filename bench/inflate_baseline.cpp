// The yardstick for bench/run: inflates the raw deflate stream of a
// container with zlib, the way the restorer's worker does (window bits -15,
// 8,192-byte reads from the file, a 32,768-byte output buffer), computes the
// CRC-32 over everything it inflates, and does nothing else.
//
//   zolt-inflate-baseline FILE OFFSET LENGTH [OUTFILE]
//
// reads LENGTH bytes of FILE from OFFSET (the deflate stream's first byte,
// just after the container header) and prints the number of bytes
// inflated and their CRC-32. Exit code 0 when the stream ended properly.
// With OUTFILE it also writes everything it inflates to that file, one
// fwrite per output buffer: the yardstick for a conversion to a file.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uInt kInputSize = 8192;
constexpr uInt kOutputSize = 32768;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: %s FILE OFFSET LENGTH [OUTFILE]\n", argv[0]);
    return 2;
  }
  const long long offset = strtoll(argv[2], nullptr, 10);
  long long left = strtoll(argv[3], nullptr, 10);
  FILE* file = fopen(argv[1], "rb");
  if (file == nullptr || fseeko(file, off_t(offset), SEEK_SET) != 0) {
    perror(argv[1]);
    return 2;
  }
  FILE* out = argc == 5 ? fopen(argv[4], "wb") : nullptr;
  if (argc == 5 && out == nullptr) {
    perror(argv[4]);
    return 2;
  }
  unsigned char* input = static_cast<unsigned char*>(malloc(kInputSize));
  unsigned char* output = static_cast<unsigned char*>(malloc(kOutputSize));
  if (input == nullptr || output == nullptr) return 3;

  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return 3;
  uLong crc = crc32(0L, Z_NULL, 0);
  unsigned long long total = 0;
  int result = Z_OK;
  bool endOfInput = false;
  stream.next_out = output;
  stream.avail_out = kOutputSize;
  for (;;) {
    if (stream.avail_in == 0 && !endOfInput) {
      uInt want = left < kInputSize ? uInt(left) : kInputSize;
      size_t got = want != 0 ? fread(input, 1, want, file) : 0;
      left -= (long long)got;
      stream.next_in = input;
      stream.avail_in = uInt(got);
      if (got == 0) endOfInput = true;
    }
    result = inflate(&stream, Z_NO_FLUSH);
    const uInt produced = kOutputSize - stream.avail_out;
    if (stream.avail_out == 0 || (result == Z_STREAM_END && produced != 0)) {
      crc = crc32(crc, output, produced);
      if (out != nullptr && fwrite(output, 1, produced, out) != produced) {
        perror(argv[4]);
        return 2;
      }
      total += produced;
      stream.next_out = output;
      stream.avail_out = kOutputSize;
    }
    if (result == Z_STREAM_END) break;
    if (result == Z_OK || (result == Z_BUF_ERROR && !endOfInput)) continue;
    break;
  }
  inflateEnd(&stream);
  fclose(file);
  if (out != nullptr && fclose(out) != 0) {
    perror(argv[4]);
    return 2;
  }
  printf("%llu bytes, CRC-32 %08lX\n", total, crc);
  return result == Z_STREAM_END ? 0 : 1;
}
