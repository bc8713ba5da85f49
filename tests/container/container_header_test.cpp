// Reading the container header: with and without the checksum record, odd
// magic, a non-checksum record after the magic, files cut short at each
// field, and a file shorter than the container offset.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "container/container_header.h"
#include "helpers/test_files.h"

namespace {

std::vector<uint8_t> HeaderBytes(bool magic, const uint8_t* record9) {
  std::vector<uint8_t> h(42, 0);
  DiskFormatRecord f{};
  f.bytesPerSector = 512;
  f.totalSectors16 = 2880;
  f.sectorsPerTrack = 18;
  f.heads = 2;
  f.cylinders = 80;
  memcpy(h.data(), &f, sizeof f);
  if (magic) h[36] = 0xAA, h[37] = 0x55;
  h[38] = 0x4F, h[39] = 0xB1, h[40] = 0x09, h[41] = 0x00;  // 635,215
  if (record9) h.insert(h.end(), record9, record9 + 9);
  return h;
}

const uint8_t kChecksum[9] = {0x85, 4, 0, 0, 0, 0x03, 0xEE, 0xC5, 0xF2};
const uint32_t kOffset = 1000;

}  // namespace

TEST(ContainerHeader, WithChecksumRecord) {
  std::vector<uint8_t> file(kOffset, 0x5A);
  auto h = HeaderBytes(true, kChecksum);
  file.insert(file.end(), h.begin(), h.end());
  file.push_back(0x77);  // first stream byte
  TempFile f(file);
  ContainerHeader header;
  ASSERT_EQ(0, ReadContainerHeader(f.get(), kOffset, &header));
  EXPECT_TRUE(header.checksumPresent);
  EXPECT_EQ(0xF2C5EE03u, header.imageCrc);
  EXPECT_EQ(635215u, header.deflateLength);
  EXPECT_EQ(51u, header.headerLength);
  EXPECT_EQ(2880u, unsigned(header.format.totalSectors16));
  EXPECT_EQ(0x77, fgetc(f.get())) << "left at the first byte of the stream";
}

TEST(ContainerHeader, RecordThatIsNotAChecksumBelongsToTheStream) {
  const uint8_t notChecksum[9] = {0x84, 4, 0, 0, 0, 1, 2, 3, 4};
  const uint8_t wrongLength[9] = {0x85, 5, 0, 0, 0, 1, 2, 3, 4};
  for (const uint8_t* record : {notChecksum, wrongLength}) {
    std::vector<uint8_t> file(kOffset, 0);
    auto h = HeaderBytes(true, record);
    file.insert(file.end(), h.begin(), h.end());
    TempFile f(file);
    ContainerHeader header;
    ASSERT_EQ(0, ReadContainerHeader(f.get(), kOffset, &header));
    EXPECT_FALSE(header.checksumPresent);
    EXPECT_EQ(0u, header.imageCrc);
    EXPECT_EQ(42u, header.headerLength);
    EXPECT_EQ(record[0], fgetc(f.get())) << "the nine bytes open the stream";
  }
}

TEST(ContainerHeader, OtherMagicHasNoChecksum) {
  std::vector<uint8_t> file(kOffset, 0);
  auto h = HeaderBytes(false, kChecksum);  // a checksum-like record, but no magic
  file.insert(file.end(), h.begin(), h.end());
  TempFile f(file);
  ContainerHeader header;
  ASSERT_EQ(0, ReadContainerHeader(f.get(), kOffset, &header));
  EXPECT_FALSE(header.checksumPresent);
  EXPECT_EQ(0x85, fgetc(f.get()));
}

TEST(ContainerHeader, CutShortAtEachField) {
  auto h = HeaderBytes(true, kChecksum);
  // Every length from the offset itself to one byte short of the header.
  for (size_t keep = 0; keep < h.size(); ++keep) {
    std::vector<uint8_t> file(kOffset, 0);
    file.insert(file.end(), h.begin(), h.begin() + keep);
    TempFile f(file);
    ContainerHeader header;
    EXPECT_EQ(30, ReadContainerHeader(f.get(), kOffset, &header)) << "header cut to " << keep;
  }
}

TEST(ContainerHeader, FileShorterThanTheOffset) {
  std::vector<uint8_t> file(kOffset - 1, 0);
  TempFile f(file);
  ContainerHeader header;
  EXPECT_EQ(24, ReadContainerHeader(f.get(), kOffset, &header));
}

TEST(DiskFormat, AbsurdGeometryIsRefused) {
  struct Case {
    uint16_t bps, spt, heads, cyl, total16;
    uint32_t total32;
    int expected;
  } cases[] = {
      {512, 18, 2, 80, 2880, 0, 0},      {512, 18, 2, 80, 0, 5760, 0},
      {128, 1, 1, 1, 1, 0, 0},           {4096, 15, 1, 1, 1, 0, 0},
      {0, 18, 2, 80, 2880, 0, 13},       {513, 18, 2, 80, 2880, 0, 13},
      {8192, 1, 1, 1, 1, 0, 13},         {64, 18, 2, 80, 2880, 0, 13},
      {512, 0, 2, 80, 2880, 0, 13},      {512, 18, 0, 80, 2880, 0, 13},
      {512, 18, 2, 0, 2880, 0, 13},      {512, 18, 2, 80, 0, 0, 13},
      {4096, 16, 2, 80, 2880, 0, 13},    // a track of 65,536 bytes
  };
  for (const Case& c : cases) {
    DiskFormatRecord f{};
    f.bytesPerSector = c.bps;
    f.sectorsPerTrack = c.spt;
    f.heads = c.heads;
    f.cylinders = c.cyl;
    f.totalSectors16 = c.total16;
    f.totalSectors32 = c.total32;
    const char* reason = nullptr;
    EXPECT_EQ(c.expected, CheckDiskFormat(f, &reason))
        << c.bps << " bytes, " << c.spt << " sectors, " << c.heads << " heads";
    EXPECT_EQ(c.expected != 0, reason != nullptr);
  }
  DiskFormatRecord big{};
  big.bytesPerSector = 512;
  big.totalSectors32 = 5760;
  EXPECT_EQ(2949120u, FormatImageBytes(big)) << "totalSectors16 0 takes the 32-bit count";
}
