// The input of the output-sink fuzz target: how the harness's worker is set
// up, then the decompressed stream it feeds the sink.
//
//   offset  width    field
//   0       1        flags: bit 0 check mode (/I; the start button is
//                    "Test only"), else image-file mode (/D=); bit 1 /Q;
//                    bit 2 /H; bits 4 to 7: K, the number of window lengths
//   1       35       the DiskFormatRecord of the container header
//   36      2        u16, the compressed bytes still to be served when the
//                    text block arrives (the worker's deflate budget)
//   38      2 x K    u16 each: window lengths, 1 + value % 32768, used in
//                    turn; with K = 0 every window has 32,768 bytes, as the
//                    decompressor hands them on
//   38 + 2K          the stream: text block, image marker, image
//
// Shared by the target and by the tool that makes seeds of this form from
// real containers.
#ifndef ZOLT_FUZZ_SINK_INPUT_H
#define ZOLT_FUZZ_SINK_INPUT_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "container/disk_format.h"

constexpr uint8_t kSinkCheckMode = 0x01;
constexpr uint8_t kSinkAutoStart = 0x02;
constexpr uint8_t kSinkShowHelp = 0x04;
constexpr size_t kSinkInputHeader = 38;

struct SinkInput {
  uint8_t flags = 0;
  DiskFormatRecord format{};
  uint16_t budget = 0;
  std::vector<uint32_t> windows;  // empty: 32,768 bytes each
  const uint8_t* stream = nullptr;
  size_t streamLength = 0;
};

// False when the input is shorter than its own header.
bool ParseSinkInput(const uint8_t* data, size_t size, SinkInput* input);

// The bytes of an input (the stream copied behind the header).
std::vector<uint8_t> MakeSinkInput(const SinkInput& input);

#endif
