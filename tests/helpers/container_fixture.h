// Containers made to measure for end-to-end tests: any text block, any
// geometry, record types and stream cuts that zolt-pack would never write.
// The result is the restorer with the container appended, ready to run.
#ifndef ZOLT_TESTS_CONTAINER_FIXTURE_H
#define ZOLT_TESTS_CONTAINER_FIXTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "container/disk_format.h"

struct ComposedContainer {
  DiskFormatRecord format;             // the 1.44M format unless changed
  std::string catalogueArea;           // the default catalogue unless changed
  uint32_t catalogueCount;
  std::string freeTexts[4];            // label, message, data, password field
  std::vector<uint8_t> image;          // stored as it stands (no password)
  uint32_t crcChange = 0;              // xor'ed into the header's CRC
  uint8_t recordTypes[3] = {0x80, 0x02, 0xFF};
  uint64_t keepStreamBytes = UINT64_MAX;  // the deflate stream cut to this
  size_t bytesBeyondImage = 0;         // stream bytes after the image
  std::string password;                // empty: none; else freeTexts[3] is made from it
};

// The 1.44M geometry, the default catalogue, empty free texts and `image`.
ComposedContainer DefaultComposition(const std::vector<uint8_t>& image);

// The restorer `stub` with the container appended, written to `path` and
// made executable; with a password, the image stored through its table.
// Returns false (with a test failure) on any error.
bool WriteComposedContainer(const std::string& stub, const ComposedContainer& c,
                            const std::string& path);

// Sets c->password to the first of a few passwords that can protect `c`
// behind `stub` (the restorer's table comes from the program's bytes, so
// not every password can). False, with a test failure, when none can.
bool ChooseUsablePassword(const std::string& stub, ComposedContainer* c);

// A deterministic image of `bytes` bytes: some text, some noise, some zeros.
std::vector<uint8_t> PatternImage(size_t bytes, unsigned seed);

#endif
