// Reading and writing the output-sink target's input.
#include "sink_input.h"

#include <cstring>

bool ParseSinkInput(const uint8_t* data, size_t size, SinkInput* input) {
  if (size < kSinkInputHeader) return false;
  input->flags = data[0];
  memcpy(&input->format, data + 1, sizeof input->format);
  input->budget = uint16_t(data[36] | data[37] << 8);
  const size_t count = data[0] >> 4;
  if (size < kSinkInputHeader + 2 * count) return false;
  input->windows.clear();
  for (size_t k = 0; k < count; ++k) {
    const uint8_t* p = data + kSinkInputHeader + 2 * k;
    input->windows.push_back(1 + uint32_t(p[0] | p[1] << 8) % 32768);
  }
  input->stream = data + kSinkInputHeader + 2 * count;
  input->streamLength = size - kSinkInputHeader - 2 * count;
  return true;
}

std::vector<uint8_t> MakeSinkInput(const SinkInput& input) {
  std::vector<uint8_t> bytes(kSinkInputHeader);
  const size_t count = input.windows.size() < 16 ? input.windows.size() : 15;
  bytes[0] = uint8_t((input.flags & 0x0F) | count << 4);
  memcpy(bytes.data() + 1, &input.format, sizeof input.format);
  bytes[36] = uint8_t(input.budget);
  bytes[37] = uint8_t(input.budget >> 8);
  for (size_t k = 0; k < count; ++k) {
    const uint32_t value = (input.windows[k] - 1) % 32768;
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
  }
  bytes.insert(bytes.end(), input.stream, input.stream + input.streamLength);
  return bytes;
}
