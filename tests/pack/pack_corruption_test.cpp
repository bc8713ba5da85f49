// Damaged containers: every truncation of a small container, every cut of
// its deflate stream, and a few thousand seeded random byte changes, each
// read for `info` and for `extract`. Each must end with success or a
// one-line message; an extraction that succeeds must give the original
// image, and one that fails must leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "container/le_bytes.h"
#include "helpers/test_files.h"
#include "pack/container_reader.h"
#include "pack/container_writer.h"

namespace {

constexpr uint32_t kPrefix = 16;  // bytes before the container, found by offset

struct Fixture {
  std::vector<uint8_t> image;      // a 160 KB image with a little data
  std::vector<uint8_t> container;  // header, stream, trailer
  uint32_t deflateLength = 0;
};

// Builds the fixture once: a mostly empty 160 KB image with a label, behind
// the restorer, then cut from it.
const Fixture& SmallContainer() {
  static Fixture fixture = [] {
    Fixture f;
    f.image.assign(163840, 0);
    uint32_t x = 99;
    for (size_t i = 0; i < 3000; ++i) f.image[512 + i] = uint8_t((x = x * 69069 + 1) >> 24);
    for (size_t i = 0; i < 2000; ++i) f.image[40000 + i] = uint8_t('A' + i % 26);
    TempDir dir;
    const std::string label = dir / "label.txt";
    EXPECT_TRUE(WriteWholeFile(dir / "image.img", f.image));
    EXPECT_TRUE(WriteWholeFile(label, {'T', 'e', 's', 't', '\n'}));
    BuildOptions options;
    options.imagePath = dir / "image.img";
    options.stubPath = ZOLT_BINARY_DIR "/zolt";
    options.labelPath = label;
    options.outputPath = dir / "out.exe";
    BuildReport report;
    std::string error;
    EXPECT_TRUE(BuildContainer(options, &report, &error)) << error;
    std::vector<uint8_t> file;
    EXPECT_TRUE(ReadWholeFile(options.outputPath, &file));
    f.container.assign(file.begin() + report.containerOffset, file.end());
    f.deflateLength = report.deflateLength;
    return f;
  }();
  return fixture;
}

// Runs info and extract over `container` behind the prefix. Returns whether
// extract succeeded; checks the promises above either way.
bool ReadBoth(const std::vector<uint8_t>& container, const TempDir& dir, const char* what, size_t index) {
  std::vector<uint8_t> file(kPrefix + container.size(), 0x90);
  std::copy(container.begin(), container.end(), file.begin() + kPrefix);
  TempFile f(file);
  const ContainerLocation where{true, kPrefix};

  ContainerInfo info;
  std::string error;
  if (!ReadContainerInfo(f.get(), where, &info, &error)) {
    EXPECT_FALSE(error.empty()) << what << " " << index;
    EXPECT_EQ(std::string::npos, error.find('\n')) << what << " " << index << ": " << error;
  }
  const std::string out = dir / "image.img";
  ExtractReport report;
  error.clear();
  const bool extracted = ExtractImage(f.get(), where, "", out, &report, &error);
  if (extracted) {
    std::vector<uint8_t> image;
    EXPECT_TRUE(ReadWholeFile(out, &image));
    EXPECT_TRUE(image == SmallContainer().image) << what << " " << index << ": a wrong image was accepted";
    std::filesystem::remove(out);
  } else {
    EXPECT_FALSE(error.empty()) << what << " " << index;
    EXPECT_EQ(std::string::npos, error.find('\n')) << what << " " << index << ": " << error;
    EXPECT_FALSE(FileExists(out)) << what << " " << index;
  }
  return extracted;
}

}  // namespace

TEST(PackCorruption, EveryTruncation) {
  const Fixture& f = SmallContainer();
  ASSERT_LT(f.container.size(), 8192u) << "the fixture stays small";
  TempDir dir;
  ASSERT_TRUE(ReadBoth(f.container, dir, "whole", 0));
  const size_t needed = 51 + f.deflateLength;  // the trailer is not read
  for (size_t length = 0; length < f.container.size(); ++length) {
    std::vector<uint8_t> cut(f.container.begin(), f.container.begin() + length);
    EXPECT_EQ(length >= needed, ReadBoth(cut, dir, "truncated to", length));
  }
  // The stream cut short with a header that agrees with the cut.
  for (uint32_t length = 1; length < f.deflateLength; ++length) {
    std::vector<uint8_t> cut(f.container.begin(), f.container.begin() + 51 + length);
    PutU32(&cut[38], length);
    EXPECT_FALSE(ReadBoth(cut, dir, "stream cut to", length));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no temporary file is left";
}

TEST(PackCorruption, SeededRandomChanges) {
  const Fixture& f = SmallContainer();
  TempDir dir;
  std::mt19937 random(20261209);
  std::uniform_int_distribution<size_t> where(0, f.container.size() - 1);
  std::uniform_int_distribution<int> value(1, 255);
  // Changes in the header hit the fields that decide everything else.
  std::uniform_int_distribution<size_t> inHeader(0, 50);
  int accepted = 0;
  for (size_t round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = f.container;
    const int changes = 1 + int(round % 3);
    for (int k = 0; k < changes; ++k) damaged[round % 4 == 0 ? inHeader(random) : where(random)] ^= uint8_t(value(random));
    accepted += ReadBoth(damaged, dir, "round", round);
  }
  // Only changes that do not touch the image (trailer, hidden sectors, ...)
  // can pass; most cannot.
  EXPECT_LT(accepted, 1500);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "no temporary file is left";
}
