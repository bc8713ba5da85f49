// Mutating containers through their decompressed stream.
#include "container_mutator.h"

#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

#include "container/container_header.h"
#include "container/le_bytes.h"

namespace {

// No stream is decompressed beyond this: the mutations look at the start.
constexpr size_t kMaxPlainBytes = 8u << 20;
// Room for a mutation to grow the part it changes.
constexpr size_t kGrowth = 4096;

struct Parts {
  size_t streamStart = 0;   // after the header
  size_t streamLength = 0;  // the header's deflate length
  bool checksum = false;    // the header has its checksum record
  DiskFormatRecord format{};
};

bool SplitContainer(const uint8_t* data, size_t size, Parts* parts) {
  if (size < size_t(kHeaderLengthWithoutChecksum)) return false;
  memcpy(&parts->format, data, sizeof parts->format);
  const uint16_t magic = uint16_t(data[36] | data[37] << 8);
  parts->streamLength = GetU32(data + 38);
  parts->streamStart = kHeaderLengthWithoutChecksum;
  parts->checksum = magic == kContainerMagic && size >= size_t(kHeaderLengthWithChecksum) &&
                    data[42] == kHeaderChecksumType && GetU32(data + 43) == 4;
  if (parts->checksum) parts->streamStart = kHeaderLengthWithChecksum;
  return parts->streamLength <= size - parts->streamStart;
}

// As much of the stream as decompresses, up to kMaxPlainBytes.
std::vector<uint8_t> Inflate(const uint8_t* stream, size_t length) {
  std::vector<uint8_t> plain;
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return plain;
  z.next_in = const_cast<uint8_t*>(stream);
  z.avail_in = uInt(length);
  uint8_t chunk[65536];
  int result = Z_OK;
  while (result == Z_OK && plain.size() < kMaxPlainBytes) {
    z.next_out = chunk;
    z.avail_out = sizeof chunk;
    result = inflate(&z, Z_NO_FLUSH);
    plain.insert(plain.end(), chunk, chunk + (sizeof chunk - z.avail_out));
    if (result == Z_BUF_ERROR && z.avail_out != 0) break;
  }
  inflateEnd(&z);
  return plain;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& plain, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&z, uLong(plain.size())) + 16);
  z.next_in = const_cast<uint8_t*>(plain.data());
  z.avail_in = uInt(plain.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Where the image starts in `plain`: after the two text records and the
// marker as their lengths say; 0 when the stream is too short for them.
size_t ImageStart(const std::vector<uint8_t>& plain) {
  size_t at = 0;
  for (int record = 0; record < 2; ++record) {
    if (at + 9 > plain.size()) return 0;
    at += 5 + size_t(GetU32(plain.data() + at + 1));
  }
  return at < plain.size() ? at + 1 : 0;
}

}  // namespace

size_t MutateContainer(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  std::minstd_rand random(seed);
  Parts parts;
  if (random() % 2 == 0 || !SplitContainer(data, size, &parts)) return LLVMFuzzerMutate(data, size, maxSize);
  std::vector<uint8_t> plain = Inflate(data + parts.streamStart, parts.streamLength);
  if (plain.empty()) return LLVMFuzzerMutate(data, size, maxSize);

  // The text block and a little of the image after it.
  const size_t imageStart = ImageStart(plain);
  size_t region = imageStart != 0 && imageStart < (1u << 20) ? imageStart + 64 : 8192;
  if (region > plain.size()) region = plain.size();
  std::vector<uint8_t> head(plain.begin(), plain.begin() + region);
  head.resize(region + kGrowth);
  head.resize(LLVMFuzzerMutate(head.data(), region, head.size()));
  head.insert(head.end(), plain.begin() + region, plain.end());
  plain.swap(head);
  const std::vector<uint8_t> stream = Deflate(plain, int(random() % 10));

  std::vector<uint8_t> out(data, data + parts.streamStart);
  PutU32(out.data() + 38, uint32_t(stream.size()));
  out.insert(out.end(), stream.begin(), stream.end());
  const size_t tailAt = out.size();
  out.insert(out.end(), data + parts.streamStart + parts.streamLength, data + size);

  // Mostly, the image's CRC-32 where the header and the trailer keep it.
  const size_t newImageStart = ImageStart(plain);
  if (parts.checksum && newImageStart != 0 && random() % 4 != 0) {
    const uint64_t imageBytes = FormatImageBytes(parts.format);
    const size_t available = plain.size() - newImageStart;
    const size_t length = imageBytes < available ? size_t(imageBytes) : available;
    const uint32_t crc = uint32_t(crc32(0, plain.data() + newImageStart, uInt(length)));
    PutU32(out.data() + 47, crc);
    if (out.size() - tailAt >= size_t(kTrailerLength) && out[tailAt] == kTrailerChecksumType)
      PutU32(out.data() + tailAt + 5, crc);
  }
  if (out.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  memcpy(data, out.data(), out.size());
  return out.size();
}
