// zolt-fuzz-sink-seed: seeds of the output-sink fuzz target made from a
// real restorer file. The container's stream is decompressed whole; the
// seeds carry its text block as it is and the image cut to its first
// tracks (the geometry's total sectors cut to match, with a short last
// track), so that each run is quick, in image-file and check modes and in
// several window cuttings.
//
//   zolt-fuzz-sink-seed RESTORER_FILE OUTPUT_PREFIX
//
// writes OUTPUT_PREFIX-1 and on.
#include <cstdio>
#include <string>
#include <vector>

#include "pack/container_reader.h"
#include "pack/inflate_reader.h"
#include "sink_input.h"

namespace {

int Fail(const std::string& message) {
  fprintf(stderr, "zolt-fuzz-sink-seed: %s\n", message.c_str());
  return 1;
}

bool ReadStream(FILE* file, const ContainerInfo& info, std::vector<uint8_t>* stream, std::string* error) {
  InflateReader* reader = new InflateReader;
  bool ok = InflateOpen(reader, file, uint64_t(info.containerOffset) + info.header.headerLength,
                        info.header.deflateLength, error);
  uint8_t chunk[65536];
  size_t got = sizeof chunk;
  while (ok && got == sizeof chunk) {
    ok = InflateRead(reader, chunk, sizeof chunk, &got);
    stream->insert(stream->end(), chunk, chunk + got);
  }
  if (!ok && error->empty()) *error = reader->error;
  InflateClose(reader);
  delete reader;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: zolt-fuzz-sink-seed RESTORER_FILE OUTPUT_PREFIX");
  FILE* file = fopen(argv[1], "rb");
  if (file == nullptr) return Fail(std::string("cannot open ") + argv[1]);
  ContainerInfo info;
  std::string error;
  std::vector<uint8_t> stream;
  if (!ReadContainerInfo(file, ContainerLocation(), &info, &error) || !ReadStream(file, info, &stream, &error))
    return Fail(std::string(argv[1]) + ": " + error);
  fclose(file);

  // Two tracks and one sector of the image: the first track, a second one
  // on the next head or cylinder, and a last track of one sector.
  SinkInput seed;
  seed.format = info.header.format;
  const uint32_t sectors = seed.format.sectorsPerTrack * 2u + 1;
  if (FormatTotalSectors(seed.format) > sectors) {
    if (seed.format.totalSectors16 != 0)
      seed.format.totalSectors16 = uint16_t(sectors);
    else
      seed.format.totalSectors32 = sectors;
  }
  const uint64_t keep = info.textBlockLength + FormatImageBytes(seed.format) + 16;
  if (stream.size() > keep) stream.resize(size_t(keep));
  seed.stream = stream.data();
  seed.streamLength = stream.size();
  seed.budget = info.header.deflateLength < 65535 ? uint16_t(info.header.deflateLength) : 65535;

  struct Variant {
    uint8_t flags;
    std::vector<uint32_t> windows;
  };
  const Variant variants[] = {
      {0, {}},
      {kSinkCheckMode, {7, 509, 32768}},
      {kSinkAutoStart | kSinkShowHelp, {1000}},
  };
  int n = 0;
  for (const Variant& variant : variants) {
    seed.flags = variant.flags;
    seed.windows = variant.windows;
    const std::vector<uint8_t> bytes = MakeSinkInput(seed);
    const std::string path = std::string(argv[2]) + "-" + std::to_string(++n);
    FILE* out = fopen(path.c_str(), "wb");
    if (out == nullptr || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || fclose(out) != 0)
      return Fail("cannot write " + path);
  }
  return 0;
}
