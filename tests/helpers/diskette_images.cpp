// Test images in any geometry, the self-restoring files made from them, and
// the media they are restored onto.
#include "helpers/diskette_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "helpers/container_fixture.h"
#include "helpers/test_files.h"

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The file-system part of a BPB for `total` sectors of `sectorBytes`: one
// sector a cluster while a FAT12 holds them, else the smallest cluster
// that a FAT16 can count.
struct FatFields {
  uint8_t sectorsPerCluster;
  uint16_t rootEntries;
  uint8_t media;
  uint16_t sectorsPerFat;
};

FatFields FatFor(uint32_t total, uint32_t sectorBytes) {
  FatFields f{1, 224, 0xF0, 0};
  uint32_t clusters = total;
  if (total > 4084) {
    while (f.sectorsPerCluster < 128 && total / f.sectorsPerCluster > 65524) f.sectorsPerCluster *= 2;
    clusters = total / f.sectorsPerCluster;
    f.rootEntries = 512;
    f.media = 0xF8;
    f.sectorsPerFat = uint16_t(((clusters + 2) * 2 + sectorBytes - 1) / sectorBytes);
  } else {
    f.sectorsPerFat = uint16_t(((clusters + 2) * 3 / 2 + sectorBytes - 1) / sectorBytes);
  }
  return f;
}

}  // namespace

DiskFormatRecord FormatOf(const ImageGeometry& g) {
  DiskFormatRecord f{};
  const FatFields fat = FatFor(g.totalSectors, g.bytesPerSector);
  f.bytesPerSector = g.bytesPerSector;
  f.sectorsPerCluster = fat.sectorsPerCluster;
  f.reservedSectors = 1;
  f.fatCount = 2;
  f.rootEntries = fat.rootEntries;
  f.totalSectors16 = g.totalSectors <= 0xFFFF ? uint16_t(g.totalSectors) : 0;
  f.totalSectors32 = g.totalSectors <= 0xFFFF ? 0 : g.totalSectors;
  f.mediaDescriptor = fat.media;
  f.sectorsPerFat = fat.sectorsPerFat;
  f.sectorsPerTrack = g.sectorsPerTrack;
  f.heads = g.heads;
  f.cylinders = g.cylinders;
  f.reservedTail = 2;
  return f;
}

std::vector<uint8_t> SectorPattern(size_t bytes, uint32_t sectorBytes, uint32_t seed) {
  static const char kText[] = "every sector of this image is a sector of its own. ";
  std::vector<uint8_t> image(bytes);
  for (size_t i = 0; i < bytes; ++i) image[i] = uint8_t(kText[i % (sizeof kText - 1)]);
  for (size_t at = 0, sector = 0; at + 8 <= bytes; at += sectorBytes, ++sector) {
    Put32(&image[at], uint32_t(sector));
    Put32(&image[at + 4], seed);
  }
  return image;
}

const PackedImage& PackImage(const ImageGeometry& g) {
  static TempDir folder;  // removed with what it holds when the process ends
  static std::map<std::string, PackedImage> made;
  auto known = made.find(g.name);
  if (known != made.end()) return known->second;
  PackedImage& packed = made[g.name];
  packed.image = SectorPattern(size_t(g.totalSectors) * g.bytesPerSector, g.bytesPerSector,
                               uint32_t(made.size()));
  ComposedContainer c = DefaultComposition(packed.image);
  c.format = FormatOf(g);
  std::string file;
  for (const char* p = g.name; *p != '\0'; ++p) file += isalnum((unsigned char)*p) ? *p : '_';
  packed.program = folder / (file + ".exe");
  EXPECT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c, packed.program)) << g.name;
  return packed;
}

std::vector<uint8_t> FormattedMedium(uint32_t sectors, uint16_t spt, uint16_t heads) {
  std::vector<uint8_t> medium(size_t(sectors) * 512);
  for (size_t i = 0; i < medium.size(); ++i) medium[i] = uint8_t((i * 7 + i / 512 * 13) ^ 0xA5);
  if (sectors == 0) return medium;
  uint8_t* boot = medium.data();
  const FatFields fat = FatFor(sectors, 512);
  const uint8_t start[11] = {0xEB, 0x3C, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0'};
  std::copy(start, start + 11, boot);
  Put16(boot + 11, 512);
  boot[13] = fat.sectorsPerCluster;
  Put16(boot + 14, 1);
  boot[16] = 2;
  Put16(boot + 17, fat.rootEntries);
  Put16(boot + 19, sectors <= 0xFFFF ? sectors : 0);
  boot[21] = fat.media;
  Put16(boot + 22, fat.sectorsPerFat);
  Put16(boot + 24, spt);
  Put16(boot + 26, heads);
  Put32(boot + 28, 0);
  Put32(boot + 32, sectors <= 0xFFFF ? 0 : sectors);
  Put16(boot + 510, 0xAA55);
  return medium;
}

MediumAfter CompareMedium(const std::vector<uint8_t>& image, bool presentBefore,
                          const std::vector<uint8_t>& before, bool presentAfter,
                          const std::vector<uint8_t>& after) {
  if (presentAfter && after == image) return MediumAfter::kImage;
  if (presentAfter == presentBefore && after == before) return MediumAfter::kUnchanged;
  if (presentAfter && after.size() > image.size() && after.size() == before.size() &&
      std::equal(image.begin(), image.end(), after.begin()) &&
      std::equal(before.begin() + image.size(), before.end(), after.begin() + image.size()))
    return MediumAfter::kImageAtStart;
  return MediumAfter::kChanged;
}

const char* Describe(MediumAfter medium) {
  switch (medium) {
    case MediumAfter::kImage: return "the image, byte for byte";
    case MediumAfter::kImageAtStart: return "the image, then the rest as it was";
    case MediumAfter::kUnchanged: return "unchanged";
    case MediumAfter::kChanged: return "changed";
  }
  return "";
}

ProgramResult RestoreOntoA(const std::string& program, const std::string& family,
                           const std::string& drives, const std::string& arguments,
                           const std::string& trace) {
  std::string command = "ZOLT_CLOCK=virtual ZOLT_WINDOWS=" + family + " ZOLT_DRIVES='" + drives + "'";
  if (!trace.empty()) command += " ZOLT_TRACE=" + trace;
  return RunProgram(command + " timeout 120 " + program + " a: /Q /T1 " + arguments);
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
