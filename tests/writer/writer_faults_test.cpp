// The writer's faults with geometries beyond the 1.44M diskette, as whole
// unattended restores of patterned images (every sector different): a run
// that ends in success has put every sector where it belongs, and a run
// that is refused leaves the medium as it found it.
#include <gtest/gtest.h>

#include <fstream>

#include "helpers/diskette_images.h"
#include "helpers/test_files.h"

namespace {

const char kRemove[] = "Now you MUST REMOVE the diskette from the drive.";
const char kSizeMismatch[] = "Incompatible image file and diskette size";
const char kUnsupported[] = "Unsupported operation";

// 32 sectors of 64 heads: how a large removable medium is addressed.
const ImageGeometry kFourMiB = {"4 MiB, 32 sectors per track", 512, 32, 64, 4, 8192};
const ImageGeometry kEightMiB = {"8 MiB", 512, 32, 64, 8, 16384};
const ImageGeometry kFortyMiB = {"40 MiB", 512, 32, 64, 40, 81920};
const ImageGeometry kOneTrack = {"one track", 512, 18, 1, 1, 18};
const ImageGeometry kSingleSided80 = {"single-sided, 80 cylinders", 512, 9, 1, 80, 720};
const ImageGeometry k168 = {"1.68m", 512, 21, 2, 80, 3360};
const ImageGeometry k180 = {"180K", 512, 9, 1, 40, 360};
const ImageGeometry k1024 = {"1,024-byte sectors", 1024, 8, 2, 77, 1232};

// The medium in drive A: before the run.
struct Target {
  const char* kind;       // floppy or removable
  uint32_t sectors;       // 0: no file (with format=none: never formatted)
  uint16_t spt, heads;    // the layout its boot sector declares
  const char* options;    // more of its ZOLT_DRIVES entry
};

struct Fault {
  const char* name;
  const char* family;
  const ImageGeometry* image;
  Target target;
  int exitCode;           // as Windows gives it; the process keeps the low 8 bits
  const char* lastLine;
  MediumAfter medium;
};

void PrintTo(const Fault& f, std::ostream* out) { *out << f.name << " (" << f.family << ")"; }

class WriterFault : public testing::TestWithParam<Fault> {};

TEST_P(WriterFault, Run) {
  const Fault& f = GetParam();
  const PackedImage& packed = PackImage(*f.image);
  TempDir here;
  const std::string medium = here / "a.img";
  const std::vector<uint8_t> before = FormattedMedium(f.target.sectors, f.target.spt, f.target.heads);
  if (f.target.sectors != 0) {
    ASSERT_TRUE(WriteWholeFile(medium, before));
  }
  std::string drives = std::string("a:=") + f.target.kind + ":" + medium;
  if (*f.target.options) drives += std::string(",") + f.target.options;

  const ProgramResult r = RestoreOntoA(packed.program, f.family, drives, "");
  const std::vector<std::string> lines = OutputLines(r.out);
  EXPECT_EQ(f.exitCode & 0xFF, r.exitCode) << r.out << r.err;
  ASSERT_FALSE(lines.empty()) << r.err;
  EXPECT_EQ(f.lastLine, lines.back()) << r.out;
  std::vector<uint8_t> after;
  const bool present = ReadWholeFile(medium, &after);
  const MediumAfter outcome = CompareMedium(packed.image, f.target.sectors != 0, before, present, after);
  EXPECT_STREQ(Describe(f.medium), Describe(outcome));
  if (r.exitCode == 0) {
    EXPECT_TRUE(outcome == MediumAfter::kImage || outcome == MediumAfter::kImageAtStart)
        << "success reported with a medium that does not hold the image";
  }
}

std::string FaultName(const testing::TestParamInfo<Fault>& info) {
  std::string name;
  for (const char* p = info.param.name; *p != '\0'; ++p) name += isalnum((unsigned char)*p) ? *p : '_';
  return name + "_" + info.param.family;
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, WriterFault,
    testing::Values(
        // The 7305h start sector is 32 bits: the sectors beyond 65,535 go
        // beyond it, not back to the start of the medium.
        Fault{"40 MiB onto a 48 MiB removable medium", "9x", &kFortyMiB, {"removable", 98304, 32, 64, ""},
              0, kRemove, MediumAfter::kImageAtStart},
        Fault{"40 MiB onto a 48 MiB removable medium", "nt", &kFortyMiB, {"removable", 98304, 32, 64, ""},
              0, kRemove, MediumAfter::kImageAtStart},
        // A first track that is also the last gets the image's own first
        // sectors in place of the primer.
        Fault{"one track onto a 1.44M diskette", "9x", &kOneTrack, {"floppy", 2880, 18, 2, ""},
              0, kRemove, MediumAfter::kImageAtStart},
        // No media type lays it down, and the diskette needs formatting.
        Fault{"one track onto a 1.44M diskette", "nt", &kOneTrack, {"floppy", 2880, 18, 2, ""},
              50, kUnsupported, MediumAfter::kUnchanged},
        // Single-sided, 80 cylinders: not the 40-cylinder 180K type.
        Fault{"single-sided 80 cylinders onto a 720K diskette", "nt", &kSingleSided80,
              {"floppy", 1440, 9, 2, ""}, 50, kUnsupported, MediumAfter::kUnchanged},
        Fault{"single-sided 80 cylinders onto an unformatted diskette", "9x", &kSingleSided80,
              {"floppy", 0, 0, 0, "format=none"}, 0, kRemove, MediumAfter::kImage},
        // A medium that is written as it is needs no media type; on 9x the
        // drive's capacity tells that it is a large one.
        Fault{"4 MiB of 32 sectors onto an 8 MiB removable medium", "nt", &kFourMiB,
              {"removable", 16384, 32, 64, ""}, 0, kRemove, MediumAfter::kImageAtStart},
        Fault{"4 MiB of 32 sectors onto an 8 MiB removable medium", "9x", &kFourMiB,
              {"removable", 16384, 32, 64, ""}, 0, kRemove, MediumAfter::kImageAtStart},
        // Refused for its size after the first sector was wiped to measure
        // the medium afresh: the sector is put back.
        Fault{"8 MiB onto a 4 MiB removable medium", "nt", &kEightMiB, {"removable", 8192, 32, 64, ""},
              2030, kSizeMismatch, MediumAfter::kUnchanged},
        Fault{"8 MiB onto a 4 MiB removable medium", "9x", &kEightMiB, {"removable", 8192, 32, 64, ""},
              2030, kSizeMismatch, MediumAfter::kUnchanged},
        Fault{"1.68M above a 1.44M drive's capacity", "9x", &k168, {"floppy", 2880, 18, 2, ""},
              2030, kSizeMismatch, MediumAfter::kUnchanged},
        // Side 1 already carries the tracks of a single-sided image: it
        // would stay, and the diskette read as double-sided, scrambled.
        Fault{"180K onto a 360K diskette", "nt", &k180, {"floppy", 720, 9, 2, "drive=360k,media=dd"},
              2030, kSizeMismatch, MediumAfter::kUnchanged},
        Fault{"180K onto a 360K diskette", "9x", &k180, {"floppy", 720, 9, 2, "drive=360k,media=dd"},
              2030, kSizeMismatch, MediumAfter::kUnchanged},
        // Side 1 in another layout: side 0 alone is read.
        Fault{"180K onto a 1.2M diskette", "nt", &k180, {"floppy", 2400, 15, 2, "drive=1.2m,media=hd"},
              0, kRemove, MediumAfter::kImage},
        // A sector of 1,024 bytes cannot go out through the 512-byte
        // sectors of the BIOS service.
        Fault{"1,024-byte sectors onto a 1.44M diskette", "9x", &k1024, {"floppy", 2880, 18, 2, ""},
              2030, kSizeMismatch, MediumAfter::kUnchanged}),
    FaultName);

// Windows 9x, a large medium: the writer locks the volume once more than
// the opening does; at the end every lock is undone, so that the medium
// can be ejected.
TEST(WriterLocks, LargeMediumIsUnlockedForTheEject) {
  TempDir here;
  const PackedImage& packed = PackImage(kEightMiB);
  const std::string medium = here / "r.img", trace = here / "trace.txt";
  ASSERT_TRUE(WriteWholeFile(medium, FormattedMedium(32768, 32, 64)));
  const ProgramResult r = RestoreOntoA(packed.program, "9x", "a:=removable:" + medium, "", trace);
  ASSERT_EQ(0, r.exitCode) << r.out << r.err;
  std::ifstream in(trace);
  std::string line, lastLock, eject;
  while (std::getline(in, line)) {
    if (line.find(" locks=") != std::string::npos) lastLock = line;
    if (line.find("ECX=0x849") != std::string::npos) eject = line;
  }
  EXPECT_NE(std::string::npos, lastLock.find(" locks=0")) << lastLock;
  ASSERT_NE(std::string::npos, eject.find(" out:")) << eject;
  EXPECT_NE(std::string::npos, eject.find("Flags=0x0 ", eject.find(" out:"))) << "the eject succeeds: " << eject;
}

}  // namespace
