// Whole diskette restores, unattended, onto simulated drives of both
// Windows families: what the run reports, its exit code, what the medium
// holds afterwards and, from the device trace, how the writer went about it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "helpers/container_fixture.h"
#include "helpers/fault_matrix.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"

namespace {

constexpr size_t k144 = 1474560;
constexpr size_t k720 = 737280;
constexpr size_t kSmall = 4u << 20;   // smaller than the large image
constexpr size_t kLarge = 16u << 20;

const char kSuccess[] = "The operation completed with no error.";
const char kRemove[] = "Now you MUST REMOVE the diskette from the drive.";
const char kFormatting[] = "Formatting while copying";
const char kWriteError[] = "Write error, be sure the diskette is not write protected";
const char kProtected[] = "Write error, diskette is write protected.";
const char kNotReady[] = "The diskette is not ready.";
const char kSizeMismatch[] = "Incompatible image file and diskette size";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  *lines = Lines(std::string(bytes.begin(), bytes.end()));
  return true;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A device request of the trace, as far as the write pattern goes: a
// track written ('W', from the file position on NT, the registers on 9x)
// or formatted ('F'), or the start of the diskette written on 9x ('P').
struct Request {
  char kind;
  int cylinder, head;
  bool operator==(const Request& o) const { return kind == o.kind && cylinder == o.cylinder && head == o.head; }
};

int Field(const std::string& line, const std::string& name) {
  size_t at = line.find(" " + name + "=");
  return at == std::string::npos ? -1 : atoi(line.c_str() + at + name.size() + 2);
}

// The 1.44M layout's writes and formats, in order.
std::vector<Request> WritePattern(const std::string& tracePath) {
  std::vector<Request> requests;
  std::vector<std::string> lines;
  ReadLines(tracePath, &lines);
  int position = 0;
  for (const std::string& line : lines) {
    if (line.rfind("SetFilePointer", 0) == 0) position = Field(line, "distance");
    if (line.rfind("WriteFile", 0) == 0 && Field(line, "length") == 9216)
      requests.push_back({'W', position / 9216 / 2, position / 9216 % 2});
    if (line.find("IOCTL_DISK_FORMAT_TRACKS") != std::string::npos)
      requests.push_back({'F', Field(line, "StartCylinderNumber"), Field(line, "StartHeadNumber")});
    if (line.find("ECX=0x842") != std::string::npos && line.find("Flags=0x0 result") != std::string::npos)
      requests.push_back({'F', Field(line, "cylinder"), Field(line, "head")});
    if (line.find("function=3 ") != std::string::npos) {
      const bool start = Field(line, "cylinder") == 0 && Field(line, "head") == 0 && Field(line, "sector") == 1;
      requests.push_back({start && Field(line, "count") == 2 ? 'P' : 'W', Field(line, "cylinder"), Field(line, "head")});
    }
  }
  return requests;
}

// What the medium must hold after the run: the image (byte for byte, its
// whole file), the image at its start (a larger removable medium), what it
// held before, or nothing claimed (a failed run may leave it half written).
enum class Medium { kEqualsImage, kStartsWithImage, kUnchanged, kAny };

enum class Image { kDiskette, kLarge };  // 1.44M; 8 MiB for removable media

struct Scenario {
  const char* name;
  const char* family;    // ZOLT_WINDOWS
  const char* kind;      // floppy or removable
  size_t mediumBytes;    // the medium file's size before the run; 0: none
  const char* options;   // the medium's options in ZOLT_DRIVES
  const char* arguments; // besides "a: /Q /T1"
  int exitCode;  // as Windows gives it; a POSIX process keeps its low 8 bits
  std::vector<std::string> lastLines;  // the end of the message list
  Medium medium;
  bool formatting;  // "Formatting while copying" listed
  Image image = Image::kDiskette;
};

class DisketteRun : public testing::TestWithParam<Scenario> {
 protected:
  static void SetUpTestSuite() {
    dir = new TempDir;
    image = PatternImage(1474560, 7);
    container = *dir / "sample.exe";
    ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(image), container));
    // 8 MiB in 8 cylinders of 64 heads and 32 sectors: a removable medium's
    // image, above the 7,000,000 bytes from which a medium counts as large.
    largeImage = PatternImage(8388608, 8);
    ComposedContainer large = DefaultComposition(largeImage);
    large.format.sectorsPerTrack = 32;
    large.format.heads = 64;
    large.format.cylinders = 8;
    large.format.totalSectors16 = 16384;
    large.format.mediaDescriptor = 0xF8;
    largeContainer = *dir / "large.exe";
    ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), large, largeContainer));
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }

  static TempDir* dir;
  static std::vector<uint8_t> image;
  static std::string container;
  static std::vector<uint8_t> largeImage;
  static std::string largeContainer;
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name << " on " << s.family; }

TempDir* DisketteRun::dir;
std::vector<uint8_t> DisketteRun::image;
std::string DisketteRun::container;
std::vector<uint8_t> DisketteRun::largeImage;
std::string DisketteRun::largeContainer;

// A medium's file: a pattern, so that "unchanged" means something, under a
// boot sector that declares the medium's size as a formatted diskette's
// does.
std::vector<uint8_t> MediumFill(size_t bytes) {
  std::vector<uint8_t> fill(bytes);
  for (size_t i = 0; i < bytes; ++i) fill[i] = uint8_t(0xA5 ^ (i * 7));
  if (bytes < 512) return fill;
  const uint32_t sectors = uint32_t(bytes / 512);
  const uint16_t spt = sectors == 1440 ? 9 : 18;
  auto put16 = [&](size_t at, uint16_t v) {
    fill[at] = uint8_t(v);
    fill[at + 1] = uint8_t(v >> 8);
  };
  put16(11, 512);
  put16(19, sectors <= 65535 ? uint16_t(sectors) : 0);
  put16(24, spt);
  put16(26, 2);
  put16(510, 0xAA55);
  return fill;
}

// The matrix's words for a scenario.
std::string FaultName(const std::string& name) {
  static const std::pair<const char*, const char*> names[] = {
      {"SameFormat", "none: a diskette in the image's format"},
      {"OtherFormat", "an HD diskette formatted 720K under a 1.44M image"},
      {"Unformatted", "an unformatted diskette"},
      {"FormatOption", "none, with /F (format while copying)"},
      {"WriteProtected", "a write-protected diskette"},
      {"NoMedium", "no diskette in the drive"},
      {"FailsOnceFirstTrack", "track 0/0 fails once"},
      {"FailsOnceMiddleTrack", "track 40/1 fails once"},
      {"FailsOnceLastTrack", "track 79/1 fails once"},
      {"AlwaysFailsFirstTrack", "track 0/0 always fails"},
      {"AlwaysFailsMiddleTrack", "track 40/1 always fails"},
      {"AlwaysFailsLastTrack", "track 79/1 always fails"},
      {"FormatFails", "formatting track 3/0 fails (/F)"},
      {"MediumTooSmall", "a 4 MiB medium under an 8 MiB image"},
      {"LargeRemovable", "none: a 16 MiB removable medium, 8 MiB image"},
  };
  for (const auto& n : names)
    if (name == n.first) return n.second;
  return name;
}

TEST_P(DisketteRun, Scenario) {
  const Scenario& s = GetParam();
  TempDir here;
  const std::string medium = here / "a.img";
  const std::vector<uint8_t> before = MediumFill(s.mediumBytes);
  if (!before.empty()) {
    ASSERT_TRUE(WriteWholeFile(medium, before));
  }
  std::string drives = std::string("a:=") + s.kind + ":" + medium;
  if (*s.options) drives += std::string(",") + s.options;
  const std::string trace = here / "trace.txt";
  ProgramResult r = RunProgram("ZOLT_CLOCK=virtual ZOLT_WINDOWS=" + std::string(s.family) +
                               " ZOLT_DRIVES='" + drives + "' ZOLT_TRACE=" + trace +
                               " timeout 120 " + (s.image == Image::kLarge ? largeContainer : container) +
                               " a: /Q /T1 " + s.arguments);
  const std::vector<std::string> lines = Lines(r.out);
  EXPECT_EQ(s.exitCode & 0xFF, r.exitCode) << r.out << r.err;
  ASSERT_GE(lines.size(), s.lastLines.size()) << r.out;
  EXPECT_EQ(s.lastLines, std::vector<std::string>(lines.end() - s.lastLines.size(), lines.end()))
      << r.out;
  EXPECT_EQ(s.formatting, Has(lines, kFormatting)) << r.out;

  std::vector<uint8_t> after;
  const bool present = ReadWholeFile(medium, &after);
  const std::vector<uint8_t>& expected = s.image == Image::kLarge ? largeImage : image;
  MediumOutcome outcome = MediumOutcome::kPartly;
  if (present && after == expected)
    outcome = MediumOutcome::kImage;
  else if (after == before && present == !before.empty())
    outcome = MediumOutcome::kUnchanged;
  else if (after.size() > expected.size() && std::equal(expected.begin(), expected.end(), after.begin()))
    outcome = MediumOutcome::kImageAtStart;
  RecordFaultCase(FaultName(s.name), std::string(s.family) == "nt" ? "NT" : "9x", r.exitCode,
                  lines.empty() ? "" : lines.back(), outcome);
  switch (s.medium) {
    case Medium::kEqualsImage:
      EXPECT_TRUE(present && after == expected) << "the diskette does not hold the image";
      break;
    case Medium::kStartsWithImage:
      EXPECT_EQ(before.size(), after.size());
      EXPECT_TRUE(after.size() >= expected.size() &&
                  std::equal(expected.begin(), expected.end(), after.begin()))
          << "the medium does not start with the image";
      EXPECT_TRUE(std::equal(before.begin() + expected.size(), before.end(),
                             after.begin() + expected.size()))
          << "the medium was written beyond the image";
      break;
    case Medium::kUnchanged:
      EXPECT_EQ(!before.empty(), present);
      EXPECT_TRUE(after == before) << "the diskette was changed";
      break;
    case Medium::kAny:
      break;
  }
}

// One unattended restore of the 1.44M container onto A:, traced.
ProgramResult RestoreTraced(const std::string& exe, const char* family, const std::string& drives,
                            const std::string& arguments, const std::string& trace) {
  return RunProgram("ZOLT_CLOCK=virtual ZOLT_WINDOWS=" + std::string(family) + " ZOLT_DRIVES='" + drives +
                    "' ZOLT_TRACE=" + trace + " timeout 120 " + exe + " a: /Q /T1 " + arguments);
}

TEST_F(DisketteRun, WritePatternFromTheTrace) {
  TempDir here;
  const std::string medium = here / "a.img", trace = here / "trace.txt";

  // NT, a diskette already in the image's format: one write and one
  // read-back per track, after the one read that tests the diskette.
  ASSERT_TRUE(WriteWholeFile(medium, MediumFill(k144)));
  ProgramResult r = RestoreTraced(container, "nt", "a:=floppy:" + medium, "", trace);
  ASSERT_EQ(0, r.exitCode) << r.out;
  std::vector<std::string> lines;
  ReadLines(trace, &lines);
  auto count = [&](const char* prefix) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(160, count("WriteFile"));
  EXPECT_EQ(161, count("ReadFile"));
  // The volume is unlocked and closed when the run ends, not left to the
  // end of the process.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(std::string::npos, lines[lines.size() - 2].find("FSCTL_UNLOCK_VOLUME result=1"));
  EXPECT_EQ(0u, lines.back().rfind("CloseHandle", 0));
  EXPECT_EQ(0, std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
              return l.find("IOCTL_DISK_FORMAT") != std::string::npos;
            }));

  // With /F: cylinders 0 to 9 (both heads) before the first write, 10 to
  // 19 before cylinder 10 is written, and so on. The same on both families.
  for (const char* family : {"nt", "9x"}) {
    ASSERT_TRUE(WriteWholeFile(medium, MediumFill(k144)));
    r = RestoreTraced(container, family, "a:=floppy:" + medium, "/F", trace);
    ASSERT_EQ(0, r.exitCode) << r.out;
    std::vector<Request> expected;
    for (int group = 0; group < 8; ++group) {
      for (int c = group * 10; c < group * 10 + 10; ++c)
        for (int h = 0; h < 2; ++h) expected.push_back({'F', c, h});
      for (int c = group * 10; c < group * 10 + 10; ++c)
        for (int h = 0; h < 2; ++h) expected.push_back({'W', c, h});
    }
    std::vector<Request> seen = WritePattern(trace);
    if (std::string(family) == "9x") {
      // The primer goes on first and before track 0's other sectors; the
      // image's own first two sectors after the last track.
      ASSERT_GE(seen.size(), 3u);
      EXPECT_TRUE((seen.front() == Request{'P', 0, 0})) << "primer before everything";
      EXPECT_TRUE((seen.back() == Request{'P', 0, 0})) << "image's first sectors at the end";
      std::vector<Request> tracks;
      for (const Request& q : seen)
        if (q.kind != 'P') tracks.push_back(q);
      seen = tracks;
    }
    EXPECT_TRUE(seen == expected) << family;
  }

  // NT, a write failing once at cylinder 5 head 1 with formatting off: only
  // that track is formatted before it is written again; at cylinder 6
  // head 0, cylinders 6 to 9 are formatted.
  ASSERT_TRUE(WriteWholeFile(medium, MediumFill(k144)));
  r = RestoreTraced(container, "nt", "a:=floppy:" + medium + ",fail-write=5/1x1", "", trace);
  ASSERT_EQ(0, r.exitCode) << r.out;
  std::vector<Request> seen = WritePattern(trace);
  std::vector<Request> formats;
  for (const Request& q : seen)
    if (q.kind == 'F') formats.push_back(q);
  ASSERT_GE(formats.size(), 9u);
  EXPECT_TRUE((formats[0] == Request{'F', 5, 1}));
  EXPECT_TRUE((formats[1] == Request{'F', 6, 0}));
  EXPECT_TRUE((formats[8] == Request{'F', 9, 1}));
  EXPECT_EQ(1 + 74 * 2, int(formats.size())) << "5/1, then cylinders 6 to 79";
}

std::string ScenarioName(const testing::TestParamInfo<Scenario>& info) {
  return std::string(info.param.name) + "_" + (std::string(info.param.family) == "nt" ? "NT" : "9x");
}

const std::vector<std::string> kDone = {kSuccess, kRemove};

INSTANTIATE_TEST_SUITE_P(
    BothFamilies, DisketteRun,
    testing::Values(
        Scenario{"SameFormat", "nt", "floppy", k144, "", "", 0, kDone, Medium::kEqualsImage, false},
        Scenario{"SameFormat", "9x", "floppy", k144, "", "", 0, kDone, Medium::kEqualsImage, false},
        // An HD diskette formatted as 720K, as is common; a DD one cannot
        // take the 1.44M format (the geometry matrix shows it).
        Scenario{"OtherFormat", "nt", "floppy", k720, "format=720k,media=hd", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"OtherFormat", "9x", "floppy", k720, "format=720k,media=hd", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"Unformatted", "nt", "floppy", 0, "format=none", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"Unformatted", "9x", "floppy", 0, "format=none", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FormatOption", "nt", "floppy", k144, "", "/F", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FormatOption", "9x", "floppy", k144, "", "/F", 0, kDone, Medium::kEqualsImage, true},
        // A write-protected or missing diskette is told as such, on both
        // families, and no formatting is tried on it.
        Scenario{"WriteProtected", "nt", "floppy", k144, "readonly", "", 19, {kProtected}, Medium::kUnchanged, false},
        Scenario{"WriteProtected", "9x", "floppy", k144, "readonly", "", 19, {kProtected}, Medium::kUnchanged, false},
        Scenario{"NoMedium", "nt", "floppy", k144, "empty", "", 21, {kNotReady}, Medium::kUnchanged, false},
        Scenario{"NoMedium", "9x", "floppy", k144, "empty", "", 21, {kNotReady}, Medium::kUnchanged, false},
        // A track failing once is formatted and written again. The BIOS
        // path tries each transfer three times before the writer sees it
        // fail, so there it fails three times. On 9x the primer written to
        // track 0 at the start takes those three failures.
        Scenario{"FailsOnceFirstTrack", "nt", "floppy", k144, "fail-write=0/0x1", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FailsOnceFirstTrack", "9x", "floppy", k144, "fail-write=0/0x3", "", 0, kDone, Medium::kEqualsImage, false},
        Scenario{"FailsOnceMiddleTrack", "nt", "floppy", k144, "fail-write=40/1x1", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FailsOnceMiddleTrack", "9x", "floppy", k144, "fail-write=40/1x3", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FailsOnceLastTrack", "nt", "floppy", k144, "fail-write=79/1x1", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"FailsOnceLastTrack", "9x", "floppy", k144, "fail-write=79/1x3", "", 0, kDone, Medium::kEqualsImage, true},
        Scenario{"AlwaysFailsFirstTrack", "nt", "floppy", k144, "fail-write=0/0", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"AlwaysFailsFirstTrack", "9x", "floppy", k144, "fail-write=0/0", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"AlwaysFailsMiddleTrack", "nt", "floppy", k144, "fail-write=40/1", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"AlwaysFailsMiddleTrack", "9x", "floppy", k144, "fail-write=40/1", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"AlwaysFailsLastTrack", "nt", "floppy", k144, "fail-write=79/1", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"AlwaysFailsLastTrack", "9x", "floppy", k144, "fail-write=79/1", "", 29, {kWriteError}, Medium::kAny, true},
        Scenario{"FormatFails", "nt", "floppy", k144, "fail-format=3/0", "/F", 1, {kWriteError}, Medium::kAny, true},
        Scenario{"FormatFails", "9x", "floppy", k144, "fail-format=3/0", "/F", 29, {kWriteError}, Medium::kAny, true},
        // Refused: the first sector, wiped to measure the medium afresh,
        // is put back.
        Scenario{"MediumTooSmall", "nt", "removable", kSmall, "", "", 2030, {kSizeMismatch}, Medium::kUnchanged,
                 false, Image::kLarge},
        Scenario{"MediumTooSmall", "9x", "removable", kSmall, "", "", 2030, {kSizeMismatch}, Medium::kUnchanged,
                 false, Image::kLarge},
        Scenario{"LargeRemovable", "nt", "removable", kLarge, "", "", 0, kDone, Medium::kStartsWithImage, false,
                 Image::kLarge},
        Scenario{"LargeRemovable", "9x", "removable", kLarge, "", "", 0, kDone, Medium::kStartsWithImage, false,
                 Image::kLarge}),
    ScenarioName);

}  // namespace
