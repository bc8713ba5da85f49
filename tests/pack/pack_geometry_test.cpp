// The geometry a new container carries: a --format name, else the image's
// boot sector, else the image size; and the refusals when none applies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "container/le_bytes.h"
#include "helpers/test_files.h"
#include "pack/formats.h"

namespace {

// A boot sector whose BPB (bytes 11 to 35) gives these values.
std::vector<uint8_t> Boot(uint16_t bytesPerSector, uint16_t total16, uint32_t total32, uint16_t sectorsPerTrack,
                          uint16_t heads, uint8_t media = 0xF8) {
  std::vector<uint8_t> b(512, 0);
  b[0] = 0xEB, b[1] = 0x3C, b[2] = 0x90;
  PutU16(&b[11], bytesPerSector);
  b[13] = 4;                                  // sectors per cluster
  PutU16(&b[14], 1);                          // reserved sectors
  b[16] = 2;                                  // FATs
  PutU16(&b[17], 512);                        // root entries
  PutU16(&b[19], total16);
  b[21] = media;
  PutU16(&b[22], 32);                         // sectors per FAT
  PutU16(&b[24], sectorsPerTrack);
  PutU16(&b[26], heads);
  PutU32(&b[28], 0);                          // hidden sectors
  PutU32(&b[32], total32);
  b[510] = 0x55, b[511] = 0xAA;
  return b;
}

}  // namespace

TEST(PackGeometry, ChoosesByNameBootSectorOrSize) {
  std::vector<uint8_t> sampleBoot;
  ASSERT_TRUE(ReadWholeFile(ZOLT_BINARY_DIR "/sample-1440k.img", &sampleBoot));
  sampleBoot.resize(512);
  const std::vector<uint8_t> blank(512, 0);
  const uint64_t mib64 = 64ull << 20;

  enum Outcome { kRefused, kName, kBoot, kSize };
  struct Case {
    const char* what;
    std::string name;
    std::vector<uint8_t> boot;
    uint64_t imageBytes;
    Outcome outcome;
    uint32_t totalSectors = 0, sectorsPerTrack = 0, heads = 0, cylinders = 0, deviceType = 0;
  } cases[] = {
      {"name", "1.44m", blank, 1474560, kName, 2880, 18, 2, 80, 7},
      {"name in capitals, over a boot sector", "720K", Boot(512, 1440, 0, 9, 2), 737280, kName, 1440, 9, 2, 80, 2},
      {"single-sided name", "160k", blank, 163840, kName, 320, 8, 1, 40, 0},
      {"name of another size", "1.44m", blank, 737280, kRefused},
      {"unknown name", "1.3m", blank, 1474560, kRefused},
      {"real FAT12 boot sector", "", sampleBoot, 1474560, kBoot, 2880, 18, 2, 80, 7},
      {"64 MiB FAT16, 32-bit count", "", Boot(512, 0, 131072, 32, 8), mib64, kBoot, 131072, 32, 8, 512, 7},
      {"non-standard 800 KB", "", Boot(512, 1600, 0, 10, 2), 819200, kBoot, 1600, 10, 2, 80, 7},
      {"standard 360 KB BPB", "", Boot(512, 720, 0, 9, 2), 368640, kBoot, 720, 9, 2, 40, 0},
      {"last cylinder cut short", "", Boot(512, 2881, 0, 18, 2), 2881 * 512, kBoot, 2881, 18, 2, 81, 7},
      {"1 KiB sectors", "", Boot(1024, 1232, 0, 8, 2), 1232 * 1024, kBoot, 1232, 8, 2, 77, 7},
      {"no BPB", "", blank, 368640, kSize, 720, 9, 2, 40, 0},
      {"sector size not a power of two", "", Boot(500, 2400, 0, 15, 2), 1228800, kSize, 2400, 15, 2, 80, 1},
      {"BPB of another size", "", Boot(512, 2880, 0, 18, 2), 737280, kSize, 1440, 9, 2, 80, 2},
      {"no heads", "", Boot(512, 5760, 0, 36, 0), 2949120, kSize, 5760, 36, 2, 80, 9},
      {"track over 65535 bytes", "", Boot(4096, 720, 0, 16, 2), 2949120, kSize, 5760, 36, 2, 80, 9},
      {"over 65535 cylinders", "", Boot(512, 0, 70000, 1, 1), 70000 * 512, kRefused},
      {"odd size, no BPB", "", blank, 1000, kRefused},
      {"shorter than a boot sector", "", std::vector<uint8_t>(20, 0), 20, kRefused},
  };
  for (const Case& c : cases) {
    DiskFormatRecord f;
    memset(&f, 0xCC, sizeof f);
    GeometrySource source;
    std::string error;
    const bool ok = ChooseDiskFormat(c.name, c.boot.data(), c.boot.size(), c.imageBytes, &f, &source, &error);
    if (c.outcome == kRefused) {
      EXPECT_FALSE(ok) << c.what;
      EXPECT_FALSE(error.empty()) << c.what;
      continue;
    }
    ASSERT_TRUE(ok) << c.what << ": " << error;
    const GeometrySource expected[] = {GeometrySource::kFormatName, GeometrySource::kFormatName,
                                       GeometrySource::kBootSector, GeometrySource::kImageSize};
    EXPECT_EQ(expected[c.outcome], source) << c.what;
    EXPECT_EQ(c.imageBytes, FormatImageBytes(f)) << c.what;
    EXPECT_EQ(c.totalSectors, FormatTotalSectors(f)) << c.what;
    EXPECT_EQ(c.sectorsPerTrack, uint32_t(f.sectorsPerTrack)) << c.what;
    EXPECT_EQ(c.heads, uint32_t(f.heads)) << c.what;
    EXPECT_EQ(c.cylinders, uint32_t(f.cylinders)) << c.what;
    EXPECT_EQ(c.deviceType, uint32_t(f.deviceType)) << c.what;
    EXPECT_EQ(2, f.reservedTail) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(6, 0), std::vector<uint8_t>(f.reserved, f.reserved + 6)) << c.what;
    EXPECT_EQ(0, CheckDiskFormat(f, nullptr)) << c.what;
    if (c.outcome == kBoot) {
      EXPECT_EQ(0, memcmp(&f, c.boot.data() + 11, kBpbLength)) << c.what << ": BPB kept as is";
    }
  }
}

TEST(PackGeometry, StandardFormatsAreConsistent) {
  for (const StandardFormat& s : kStandardFormats) {
    const DiskFormatRecord& f = s.record;
    EXPECT_EQ(0, CheckDiskFormat(f, nullptr)) << s.name;
    EXPECT_EQ(uint32_t(f.cylinders) * f.heads * f.sectorsPerTrack, FormatTotalSectors(f)) << s.name;
    EXPECT_EQ(&s, FindStandardFormat(s.name));
    EXPECT_EQ(&s, StandardFormatOfSize(FormatImageBytes(f))) << s.name << ": sizes are unique";
  }
}
