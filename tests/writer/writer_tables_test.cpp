// The diskette writer's fixed knowledge: the NT media types of each
// geometry, the boot sector laid down after formatting track 0, the boot
// sector test of Windows 9x and the primer sectors.
#include <gtest/gtest.h>

#include <cstring>

#include "app/app_state.h"
#include "container/le_bytes.h"
#include "device/nt_volume.h"
#include "writer/disk_writer.h"
#include "writer/format_table.h"

namespace {

DiskFormatRecord Geometry(uint16_t sectors, uint16_t heads, uint16_t cylinders,
                          uint16_t bytesPerSector = 512) {
  DiskFormatRecord f{};
  f.bytesPerSector = bytesPerSector;
  f.sectorsPerTrack = sectors;
  f.heads = heads;
  f.cylinders = cylinders;
  f.totalSectors16 = uint16_t(sectors * heads * cylinders);
  return f;
}

}  // namespace

TEST(WriterTables, NtMediaTypeOfEachGeometry) {
  // A media type lays down exactly one geometry; any other has none, also
  // one that shares its heads, its cylinders or its sectors.
  struct Case {
    uint16_t sectors, heads, cylinders, bytes;
    bool known;
    MEDIA_TYPE type;
  } cases[] = {
      {18, 2, 80, 512, true, F3_1Pt44_512}, {21, 2, 80, 512, true, F3_1Pt44_512},
      {9, 2, 40, 512, true, F5_360_512},    {8, 2, 40, 512, true, F5_320_512},
      {9, 1, 40, 512, true, F5_180_512},    {8, 1, 40, 512, true, F5_160_512},
      {9, 2, 80, 512, true, F3_720_512},    {15, 2, 80, 512, true, F5_1Pt2_512},
      {36, 2, 80, 512, true, F3_2Pt88_512}, {10, 2, 80, 512, false, Unknown},
      {9, 1, 80, 512, false, Unknown},      {18, 1, 80, 512, false, Unknown},
      {15, 1, 40, 512, false, Unknown},     {18, 2, 40, 512, false, Unknown},
      {9, 2, 81, 512, false, Unknown},      {18, 1, 1, 512, false, Unknown},
      {9, 2, 80, 1024, false, Unknown},     {4, 2, 40, 1024, false, Unknown},
  };
  for (const Case& c : cases) {
    MEDIA_TYPE type = Unknown;
    const bool known = NtMediaTypeFor(Geometry(c.sectors, c.heads, c.cylinders, c.bytes), &type);
    EXPECT_EQ(c.known, known) << c.sectors << "/" << c.heads << "/" << c.cylinders << "/" << c.bytes;
    if (c.known) {
      EXPECT_EQ(c.type, type) << c.sectors << "/" << c.heads << "/" << c.cylinders;
    }
  }
}

TEST(WriterTables, FreshBootSectorCarriesTheFormatsRow) {
  struct Case {
    MEDIA_TYPE type;
    uint16_t total, rootEntries, sectorsPerTrack;
    uint8_t cluster, media, fat;
  } cases[] = {
      {F3_1Pt44_512, 2880, 224, 18, 1, 0xF0, 9},
      {F5_180_512, 2880, 224, 18, 1, 0xF0, 9},  // no row of its own: 1.44M
      {F3_720_512, 1440, 224, 9, 2, 0xF9, 5},
      {F5_320_512, 640, 112, 8, 2, 0xFF, 1},
      {F3_2Pt88_512, 5760, 240, 36, 2, 0xF0, 9},
  };
  for (const Case& c : cases) {
    uint8_t s[512];
    memset(s, 0xCC, sizeof s);
    BuildFreshBootSector(c.type, s);
    EXPECT_EQ(512, GetU16(s + 11));
    EXPECT_EQ(c.cluster, s[13]);
    EXPECT_EQ(1, GetU16(s + 14));
    EXPECT_EQ(2, s[16]);
    EXPECT_EQ(c.rootEntries, GetU16(s + 17));
    EXPECT_EQ(c.total, GetU16(s + 19));
    EXPECT_EQ(c.media, s[21]);
    EXPECT_EQ(c.fat, GetU16(s + 22));
    EXPECT_EQ(c.sectorsPerTrack, GetU16(s + 24));
    EXPECT_EQ(2, GetU16(s + 26));
    EXPECT_EQ(0x29, s[38]);
    EXPECT_EQ(0, memcmp(s + 43, "           FAT     ", 19));
    EXPECT_EQ(0xAA55, GetU16(s + 510));
    // Jump, OEM name, hidden and 32-bit totals, drive number and serial stay zero.
    for (int i : {0, 1, 2, 3, 10, 28, 31, 32, 35, 36, 37, 39, 42, 62, 509}) EXPECT_EQ(0, s[i]) << i;
  }
}

class BootSectorTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    app.sectorBuffer = buffer;
    memset(buffer, 0, sizeof buffer);
  }
  void TearDown() override { ResetAppState(); }
  void Boot(uint16_t bytesPerSector, uint16_t total16, uint16_t spt, uint16_t heads, uint32_t total32,
            bool signature = true) {
    PutU16(buffer + 11, bytesPerSector);
    PutU16(buffer + 19, total16);
    PutU16(buffer + 24, spt);
    PutU16(buffer + 26, heads);
    PutU32(buffer + 32, total32);
    if (signature) PutU16(buffer + 510, 0xAA55);
  }
  uint8_t buffer[1024];
};

TEST_F(BootSectorTest, DeclaredSectorCount) {
  struct Case {
    uint16_t bytes, total16, spt, heads;
    uint32_t total32;
    bool signature;
    int large;
    uint32_t expected;
  } cases[] = {
      {512, 2880, 18, 2, 0, true, 0, 2880},     // 80 cylinders
      {512, 720, 9, 2, 0, true, 0, 720},        // 40 cylinders
      {512, 1600, 10, 2, 0, true, 0, 1600},     // 80 cylinders of 10 sectors
      {512, 2880, 18, 2, 0, false, 0, 0},       // no signature
      {1024, 2880, 18, 2, 0, true, 0, 0},       // other sector size
      {512, 2880, 0, 2, 0, true, 0, 0},         // no sectors per track
      {512, 3000, 18, 2, 0, true, 0, 0},        // 83 cylinders
      {512, 3000, 18, 2, 0, true, 999, 3000},   // a large medium takes any count
      {512, 0, 32, 64, 20000, true, 0, 0},      // 32-bit count on a diskette
      {512, 0, 32, 64, 20000, true, 999, 20000},
  };
  for (const Case& c : cases) {
    memset(buffer, 0, sizeof buffer);
    Boot(c.bytes, c.total16, c.spt, c.heads, c.total32, c.signature);
    app.largeMediaMode = c.large;
    EXPECT_EQ(c.expected, DeclaredSectorCount()) << c.total16 << " " << c.spt << "x" << c.heads;
  }
}

TEST_F(BootSectorTest, DeclaresTheImageFormatOnlyWithItsGeometry) {
  // The image: 80 cylinders of 2 heads and 9 sectors (1,440 sectors).
  app.format = Geometry(9, 2, 80);
  struct Case {
    uint16_t total16, spt, heads;
    bool declares;
  } cases[] = {
      {1440, 9, 2, true},
      {1440, 18, 2, false},  // 40 cylinders of 18 sectors: the same total
      {1440, 9, 1, false},   // 160 cylinders of one head
      {2880, 18, 2, false},
      {0, 0, 0, false},      // no boot sector (or one that could not be read)
  };
  for (const Case& c : cases) {
    memset(buffer, 0, sizeof buffer);
    if (c.total16 != 0) Boot(512, c.total16, c.spt, c.heads, 0);
    EXPECT_EQ(c.declares, BootSectorDeclaresImageFormat()) << c.total16 << " " << c.spt << "x" << c.heads;
  }
}

TEST_F(BootSectorTest, PrimerCarriesTheImageGeometry) {
  memset(buffer, 0x5A, sizeof buffer);
  for (int i = 0; i < kBpbLength; ++i) app.writerBpb[i] = uint8_t(0xA0 + i);
  app.format.sectorsPerTrack = 18;
  app.format.heads = 2;
  app.format.hiddenSectors = 0x01020304;
  app.format.totalSectors32 = 0x0A0B0C0D;
  BuildPrimerSectors();
  const uint8_t jump[] = {0xEB, 0x44, 0x90, 0x00};
  EXPECT_EQ(0, memcmp(buffer, jump, 4));
  for (int i = 4; i < 11; ++i) EXPECT_EQ(0, buffer[i]);
  EXPECT_EQ(0, memcmp(buffer + 11, app.writerBpb, 13));  // up to sectors per FAT
  EXPECT_EQ(18, GetU16(buffer + 24));
  EXPECT_EQ(2, GetU16(buffer + 26));
  EXPECT_EQ(0x01020304u, GetU32(buffer + 28));
  EXPECT_EQ(0x0A0B0C0Du, GetU32(buffer + 32));
  for (int i = 36; i < 510; ++i) ASSERT_EQ(0, buffer[i]) << i;
  EXPECT_EQ(0xAA55, GetU16(buffer + 510));
  const uint8_t fat[] = {0xF0, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(0, memcmp(buffer + 512, fat, 4));
  for (int i = 516; i < 1024; ++i) ASSERT_EQ(0, buffer[i]) << i;
}
