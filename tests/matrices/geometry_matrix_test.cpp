// The geometry matrix: images of every diskette format (and a few that are
// no standard one) restored unattended onto every kind of target the
// simulated drives have (each drive type with each density it takes,
// unformatted, in the image's format and in another one; a USB diskette
// drive; removable media smaller and larger than the image; a
// write-protected diskette and an empty drive), on both Windows families,
// with and without /F. Every image is patterned so that every sector
// differs. Whatever a cell ends with, it must hold that:
// - a success leaves the medium, as its drive reads it in its present
//   layout, equal to the image (or, on a larger medium, beginning with it
//   and the rest as it was);
// - a failure is reported with a failure message and a non-zero exit code,
//   and a refusal (the image cannot go onto that medium: 2030, 50, or a
//   drive the family does not have) leaves the medium unchanged;
// - a write-protected or empty medium is never changed.
// Every image is also converted to an image file and checked, without and
// with a password.
//
// With ZOLT_GEOMETRY_MATRIX set to a file name, each cell appends a line
// (tab-separated: image, target, Windows, /F, exit code, last line of the
// message list, medium afterwards) to it; tests/fault-matrix prints the
// table from them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "helpers/container_fixture.h"
#include "helpers/diskette_images.h"
#include "helpers/test_files.h"

void PrintTo(const ImageGeometry& g, std::ostream* out) { *out << g.name; }

namespace {

// The images, by the names the tables show.
const ImageGeometry kImages[] = {
    {"160K", 512, 8, 1, 40, 320},
    {"180K", 512, 9, 1, 40, 360},
    {"320K", 512, 8, 2, 40, 640},
    {"360K", 512, 9, 2, 40, 720},
    {"720K", 512, 9, 2, 80, 1440},
    {"1.2M", 512, 15, 2, 80, 2400},
    {"1.44M", 512, 18, 2, 80, 2880},
    {"1.68M", 512, 21, 2, 80, 3360},
    {"2.88M", 512, 36, 2, 80, 5760},
    {"1,024-byte sectors (77 x 2 x 8)", 1024, 8, 2, 77, 1232},
    {"single-sided, 80 cylinders", 512, 9, 1, 80, 720},
    {"2,881 sectors", 512, 18, 2, 81, 2881},
    {"one track", 512, 18, 1, 1, 18},
    {"8 MiB", 512, 32, 64, 8, 16384},
    {"40 MiB", 512, 32, 64, 40, 81920},
};

// The standard formats as ZOLT_DRIVES names them, with their geometry.
struct Format {
  const char* name;
  uint16_t spt, heads, cylinders;
  uint32_t sectors() const { return uint32_t(spt) * heads * cylinders; }
};
const Format kFormats[] = {
    {"160k", 8, 1, 40},  {"180k", 9, 1, 40},   {"320k", 8, 2, 40},
    {"360k", 9, 2, 40},  {"720k", 9, 2, 80},   {"1.2m", 15, 2, 80},
    {"1.44m", 18, 2, 80}, {"1.68m", 21, 2, 80}, {"2.88m", 36, 2, 80},
};

const Format* FormatNamed(const std::string& name) {
  for (const Format& f : kFormats)
    if (name == f.name) return &f;
  return nullptr;
}

// The standard format the image is, if any.
const Format* FormatOfImage(const ImageGeometry& g) {
  if (g.bytesPerSector != 512) return nullptr;
  for (const Format& f : kFormats)
    if (f.spt == g.sectorsPerTrack && f.heads == g.heads && f.cylinders == g.cylinders &&
        f.sectors() == g.totalSectors)
      return &f;
  return nullptr;
}

// A drive type with a density it takes, and the formats it carries on
// that density (its own first).
struct DriveMedia {
  const char* drive;
  const char* media;
  std::vector<const char*> formats;
  const char* bus = "";
};
const std::vector<DriveMedia>& DriveMediaCombinations() {
  static const std::vector<DriveMedia> all = {
      {"360k", "dd", {"360k", "320k", "180k", "160k"}},
      {"1.2m", "dd", {"360k", "320k", "180k", "160k"}},
      {"1.2m", "hd", {"1.2m", "360k"}},
      {"720k", "dd", {"720k"}},
      {"1.44m", "dd", {"720k"}},
      {"1.44m", "hd", {"1.44m", "720k", "1.68m"}},
      {"2.88m", "dd", {"720k"}},
      {"2.88m", "hd", {"1.44m", "720k", "1.68m"}},
      {"2.88m", "ed", {"2.88m", "1.44m"}},
      {"1.44m", "hd", {"1.44m", "720k"}, "usb"},
  };
  return all;
}

// One target: its words for the table, its ZOLT_DRIVES entry less the
// path, and the medium file it starts with.
struct Target {
  std::string name;
  std::string entry;  // "floppy:" or "removable:" ... options after the path
  std::string options;
  std::vector<uint8_t> medium;  // empty: no file
  bool usbOnly = false;         // a drive Windows 9x does not have
  bool untouchable = false;     // write-protected or empty: never changed
};

std::vector<Target> TargetsFor(const ImageGeometry& g) {
  std::vector<Target> targets;
  const Format* own = FormatOfImage(g);
  for (const DriveMedia& dm : DriveMediaCombinations()) {
    std::string drive = std::string(dm.bus[0] ? "USB " : "") + dm.drive + " drive, " + dm.media;
    std::string base = std::string(",drive=") + dm.drive + ",media=" + dm.media;
    if (dm.bus[0]) base += std::string(",bus=") + dm.bus;
    const bool usb = dm.bus[0] != 0;
    targets.push_back({drive + ", unformatted", "floppy", base + ",format=none", {}, usb});
    bool carriesOwn = false, other = false;
    for (const char* name : dm.formats) {
      const Format* f = FormatNamed(name);
      const bool isOwn = f == own;
      if (isOwn) carriesOwn = true;
      if (isOwn || other) continue;
      other = true;
      targets.push_back({drive + ", formatted " + name, "floppy", base + ",format=" + name,
                         FormattedMedium(f->sectors(), f->spt, f->heads), usb});
    }
    if (carriesOwn)
      targets.push_back({drive + ", in the image's format", "floppy", base + ",format=" + own->name,
                         FormattedMedium(own->sectors(), own->spt, own->heads), usb});
  }
  // A write-protected diskette and an empty drive, in a 1.44M drive.
  Target protectedOne{"1.44m drive, hd, formatted 1.44m, write-protected", "floppy",
                      ",drive=1.44m,media=hd,format=1.44m,readonly", FormattedMedium(2880, 18, 2)};
  protectedOne.untouchable = true;
  targets.push_back(protectedOne);
  Target empty{"1.44m drive, no diskette", "floppy", ",drive=1.44m,empty", {}};
  empty.untouchable = true;
  targets.push_back(empty);
  // Removable media smaller and larger than the image.
  const uint32_t bytes = uint32_t(uint64_t(g.totalSectors) * g.bytesPerSector);
  const uint32_t smaller = std::max<uint32_t>(bytes / 2 / 512, 128);
  const uint32_t larger = bytes / 512 * 3 / 2 + 2048;
  if (smaller * 512 < bytes)
    targets.push_back({"removable medium of " + std::to_string(smaller / 2) + " KiB", "removable", "",
                       FormattedMedium(smaller, 32, 64)});
  targets.push_back({"removable medium of " + std::to_string(larger / 2) + " KiB", "removable", "",
                     FormattedMedium(larger, 32, 64)});
  return targets;
}

// The failure messages of a run's end, or of the target's opening.
bool IsFailureLine(const std::string& line) {
  static const char* const kFailures[] = {
      "Write error, be sure the diskette is not write protected",
      "Write error, diskette is write protected.",
      "The diskette is not ready.",
      "Incompatible image file and diskette size",
      "Unsupported operation",
  };
  for (const char* f : kFailures)
    if (line == f) return true;
  return line.find("Open drive error =") != std::string::npos;
}

void Record(const std::string& row) {
  const char* path = getenv("ZOLT_GEOMETRY_MATRIX");
  if (path == nullptr || *path == '\0') return;
  // One write per line on a file opened for appending: the matrix's
  // processes add their lines side by side.
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path;
  const std::string line = row + "\n";
  EXPECT_EQ(ssize_t(line.size()), write(fd, line.data(), line.size()));
  close(fd);
}

class GeometryMatrix : public testing::TestWithParam<ImageGeometry> {};

TEST_P(GeometryMatrix, EveryTarget) {
  const ImageGeometry& g = GetParam();
  const PackedImage& packed = PackImage(g);
  for (const Target& t : TargetsFor(g)) {
    for (const char* family : {"nt", "9x"}) {
      for (const char* options : {"", "/F"}) {
        const std::string cell = std::string(g.name) + " onto " + t.name + ", " + family + " " + options;
        TempDir here;
        const std::string medium = here / "a.img";
        if (!t.medium.empty()) {
          ASSERT_TRUE(WriteWholeFile(medium, t.medium)) << cell;
        }
        const ProgramResult r =
            RestoreOntoA(packed.program, family, "a:=" + t.entry + ":" + medium + t.options, options);
        std::vector<uint8_t> after;
        const bool present = ReadWholeFile(medium, &after);
        const MediumAfter outcome = CompareMedium(packed.image, !t.medium.empty(), t.medium, present, after);
        const std::vector<std::string> lines = OutputLines(r.out);
        std::string last = lines.empty() ? "" : lines.back();
        if (t.usbOnly && std::string(family) == "9x") {
          // Windows 9x has no USB diskette drives: the setting is refused
          // before the program starts.
          EXPECT_NE(0, r.exitCode) << cell;
          EXPECT_NE(std::string::npos, r.err.find("ZOLT_DRIVES")) << cell << ": " << r.err;
          last = "(no USB diskette drives on Windows 9x)";
        } else if (r.exitCode == 0) {
          EXPECT_TRUE(outcome == MediumAfter::kImage || outcome == MediumAfter::kImageAtStart)
              << cell << ": success reported with a medium that " << Describe(outcome) << "\n" << r.out;
        } else {
          EXPECT_TRUE(IsFailureLine(last)) << cell << ": ended " << r.exitCode << " with '" << last << "'\n"
                                           << r.out << r.err;
          // 2030 and 50 (238 and 50 here) refuse the image before the medium is touched.
          if (r.exitCode == (2030 & 0xFF) || r.exitCode == 50) {
            EXPECT_EQ(MediumAfter::kUnchanged, outcome) << cell << ": refused, but the medium " << Describe(outcome);
          }
        }
        if (t.untouchable) {
          EXPECT_EQ(MediumAfter::kUnchanged, outcome) << cell;
        }
        Record(std::string(g.name) + "\t" + t.name + "\t" + (std::string(family) == "nt" ? "NT" : "9x") + "\t" +
               (*options ? "yes" : "no") + "\t" + std::to_string(r.exitCode) + "\t" + last + "\t" +
               Describe(outcome));
      }
    }
  }
}

// Every geometry converted to an image file and checked, without and with
// a password: the image file is exactly the image, and the check finds its
// CRC-32. (Without a password the image's bytes are inflated straight into
// the image file's buffer, and the check takes them where they were
// inflated; with one they go through the substitution.)
TEST_P(GeometryMatrix, ImageFileAndCheck) {
  const ImageGeometry& g = GetParam();
  const PackedImage& packed = PackImage(g);
  TempDir here;
  ComposedContainer c = DefaultComposition(packed.image);
  c.format = FormatOf(g);
  ASSERT_TRUE(ChooseUsablePassword(BuiltProgram("zolt"), &c));
  const std::string protectedProgram = here / "protected.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c, protectedProgram));
  char crc[9];
  snprintf(crc, sizeof crc, "%08X", unsigned(crc32(0, packed.image.data(), uInt(packed.image.size()))));
  const std::string checksums = std::string("ZOLT -   Expected/Actual CheckSums are:X\"") + crc + "\",X\"" + crc + "\"";
  const std::string start =
      "ZOLT_CLOCK=virtual ZOLT_WINDOWS=nt ZOLT_DRIVES='a:=floppy:" + here / "a.img" + "' timeout 120 ";
  const struct {
    const char* name;
    std::string program, options, input;
  } runs[] = {
      {"without a password", packed.program, " /Q /T1", ""},
      {"with a password", protectedProgram, "", "password " + c.password + "\nok\n"},
  };
  for (const auto& run : runs) {
    const std::string image = here / "out.img";
    ProgramResult r = RunProgram(start + run.program + " a: /D=" + image + run.options, run.input);
    EXPECT_EQ(0, r.exitCode) << g.name << ", " << run.name << ": " << r.out << r.err;
    std::vector<uint8_t> written;
    EXPECT_TRUE(ReadWholeFile(image, &written)) << g.name << ", " << run.name;
    EXPECT_TRUE(written == packed.image) << g.name << ", " << run.name << ": image file of " << written.size()
                                         << " bytes, not the image's " << packed.image.size();
    r = RunProgram(start + run.program + " a: /I" + run.options, run.input);
    EXPECT_EQ(0, r.exitCode) << g.name << ", " << run.name << ": " << r.out << r.err;
    const std::vector<std::string> lines = OutputLines(r.out);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), checksums))
        << g.name << ", " << run.name << ": no line " << checksums << " in\n" << r.out;
  }
}

std::string ImageName(const testing::TestParamInfo<ImageGeometry>& info) {
  std::string name;
  for (const char* p = info.param.name; *p != '\0'; ++p) name += isalnum((unsigned char)*p) ? *p : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Images, GeometryMatrix, testing::ValuesIn(kImages), ImageName);

}  // namespace
