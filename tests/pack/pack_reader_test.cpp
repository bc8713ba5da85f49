// Reading containers made here by hand, as another builder following the
// format would make them: the 42-byte header without a checksum record,
// image bytes beyond the geometry, no trailer; and malformed ones, each of
// which must be refused with its own message.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "container/le_bytes.h"
#include "helpers/test_files.h"
#include "pack/container_reader.h"

namespace {

constexpr uint32_t kOffset = 1000;  // bytes of "program" before the container
using Bytes = std::vector<uint8_t>;

Bytes Deflate(const Bytes& plain) {
  Bytes stream(compressBound(uLong(plain.size())) + 64);
  z_stream z{};
  EXPECT_EQ(Z_OK, deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY));
  z.next_in = const_cast<Bytef*>(plain.data());
  z.avail_in = uInt(plain.size());
  z.next_out = stream.data();
  z.avail_out = uInt(stream.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
  stream.resize(z.total_out);
  deflateEnd(&z);
  return stream;
}

// A record: type, u32 length, u32 count, string area.
Bytes Record(uint8_t type, uint32_t length, uint32_t count, const std::string& area) {
  Bytes r(9 + area.size(), type);
  PutU32(&r[1], length);
  PutU32(&r[5], count);
  std::copy(area.begin(), area.end(), r.begin() + 9);
  return r;
}

Bytes Record(uint8_t type, uint32_t count, const std::string& area) {
  return Record(type, uint32_t(area.size() + 4), count, area);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const std::string kCatalogue("one\0two\0three\0extra\0", 20);
const std::string kFreeTexts("Label\r\n\0\0\0\0", 11);

// A 160 KB image whose bytes tell their positions apart.
Bytes Image() {
  Bytes image(163840);
  for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 7 / 512 + i % 3);
  return image;
}

DiskFormatRecord Geometry160k() {
  DiskFormatRecord f;
  memset(&f, 0, sizeof f);
  f.bytesPerSector = 512;
  f.totalSectors16 = 320;
  f.sectorsPerTrack = 8;
  f.heads = 1;
  f.cylinders = 40;
  return f;
}

// The program, a 42-byte header with `magic` and the stream; `lengthDelta`
// is added to the true deflate length in the header.
Bytes Container(const Bytes& stream, uint16_t magic = 0, const DiskFormatRecord& format = Geometry160k(),
                int64_t lengthDelta = 0) {
  Bytes file(kOffset, 0x90);
  Bytes header(42, 0);
  memcpy(header.data(), &format, sizeof format);
  PutU16(&header[36], magic);
  PutU32(&header[38], uint32_t(int64_t(stream.size()) + lengthDelta));
  return Join({file, header, stream});
}

const ContainerLocation kAtOffset{true, kOffset};

}  // namespace

TEST(PackReader, ReadsHandMadeContainersWithoutChecksum) {
  const Bytes image = Image();
  const Bytes stream = Deflate(Join({Record(0x80, 3, kCatalogue), Record(0x02, 4, kFreeTexts), {0xFF}, image,
                                     Bytes(100, 0xEE)}));  // 100 bytes beyond the image
  const uint8_t checksumStart[5] = {0x85, 4, 0, 0, 0};
  ASSERT_NE(0, memcmp(stream.data(), checksumStart, 5)) << "the stream does not open like a checksum record";

  // Magic AA 55 followed by something other than a checksum record: those
  // nine bytes belong to the stream, as with any other magic.
  for (uint16_t magic : {uint16_t(0x0000), uint16_t(0x55AA)}) {
    TempFile f(Container(stream, magic));
    ContainerInfo info;
    std::string error;
    ASSERT_TRUE(ReadContainerInfo(f.get(), kAtOffset, &info, &error)) << error;
    EXPECT_EQ(42u, info.header.headerLength);
    EXPECT_FALSE(info.header.checksumPresent);
    EXPECT_FALSE(info.trailerFound);
    EXPECT_EQ(3u, info.catalogue.count);
    EXPECT_EQ("three", TextRecordEntry(info.catalogue, 2));
    EXPECT_EQ("", TextRecordEntry(info.catalogue, 3)) << "strings beyond the count are not reachable";
    EXPECT_EQ("Label\r\n", TextRecordEntry(info.freeTexts, kLabelText));

    TempDir dir;
    ExtractReport report;
    ASSERT_TRUE(ExtractImage(f.get(), kAtOffset, "", dir / "image", &report, &error)) << error;
    EXPECT_FALSE(report.checksumChecked);
    Bytes back;
    ASSERT_TRUE(ReadWholeFile(dir / "image", &back));
    EXPECT_TRUE(image == back);
  }
}

// A deflate length that runs past the end of the file: the restorer reads
// to the end of the file and restores the image when the stream ends there,
// and so does the reader; a stream that does not end there is cut short.
TEST(PackReader, DeflateLengthPastTheEndOfTheFile) {
  const Bytes image = Image();
  const Bytes stream = Deflate(Join({Record(0x80, 3, kCatalogue), Record(0x02, 4, kFreeTexts), {0xFF}, image}));
  for (int64_t delta : {int64_t(1), int64_t(100000), int64_t(0xFFFFFFFF) - int64_t(stream.size())}) {
    TempFile f(Container(stream, 0, Geometry160k(), delta));
    ContainerInfo info;
    std::string error;
    ASSERT_TRUE(ReadContainerInfo(f.get(), kAtOffset, &info, &error)) << delta << ": " << error;
    EXPECT_EQ(uint32_t(int64_t(stream.size()) + delta), info.declaredDeflateLength);
    EXPECT_EQ(stream.size(), info.header.deflateLength);
    TempDir dir;
    ExtractReport report;
    ASSERT_TRUE(ExtractImage(f.get(), kAtOffset, "", dir / "image", &report, &error)) << delta << ": " << error;
    EXPECT_EQ(info.declaredDeflateLength, report.declaredDeflateLength);
    Bytes back;
    ASSERT_TRUE(ReadWholeFile(dir / "image", &back));
    EXPECT_TRUE(image == back) << delta;
  }
  Bytes cut = Container(stream, 0, Geometry160k(), 0);
  cut.resize(cut.size() - 10);
  TempFile f(cut);
  TempDir dir;
  ExtractReport report;
  std::string error;
  ContainerInfo info;
  EXPECT_FALSE(ReadContainerInfo(f.get(), kAtOffset, &info, &error));
  EXPECT_NE(std::string::npos, error.find("cut short")) << error;
  error.clear();
  EXPECT_FALSE(ExtractImage(f.get(), kAtOffset, "", dir / "image", &report, &error));
  EXPECT_NE(std::string::npos, error.find("cut short")) << error;
  EXPECT_FALSE(FileExists(dir / "image"));
}

TEST(PackReader, RefusesMalformedContainers) {
  const Bytes image = Image();
  const Bytes catalogue = Record(0x80, 3, kCatalogue);
  const Bytes freeTexts = Record(0x02, 4, kFreeTexts);
  const Bytes good = Join({catalogue, freeTexts, {0xFF}, image});
  DiskFormatRecord oddSectors = Geometry160k();
  oddSectors.bytesPerSector = 500;
  DiskFormatRecord huge = Geometry160k();
  huge.totalSectors16 = 0;
  huge.totalSectors32 = 0xFFFFFFFF;
  Bytes noise(100000);  // incompressible: the stream could hold a whole image
  uint32_t x = 7;
  for (uint8_t& b : noise) b = uint8_t((x = x * 1103515245 + 12345) >> 16);
  Bytes corrupt = Deflate(good);
  for (size_t i = 20; i < 40; ++i) corrupt[i] = 0xFF;
  // A catalogue whose area puts the free-text header 8 bytes before the end
  // of the first 32 KiB window.
  const Bytes straddling = Join({Record(0x80, 1, std::string(32768 - 9 - 8, 'm')), freeTexts, {0xFF}, image});

  struct Case {
    const char* what;
    Bytes file;
    bool infoReads;        // the text block is sound, only the image is not
    const char* expected;  // part of the message
  } cases[] = {
      {"unknown record type", Container(Deflate(Join({{0x81}, catalogue}))), false, "unknown record type 0x81"},
      {"free texts first", Container(Deflate(Join({freeTexts, catalogue}))), false, "catalogue record belongs"},
      {"count beyond the area", Container(Deflate(Join({Record(0x80, 21, kCatalogue), freeTexts, {0xFF}}))), false,
       "claims 21 texts"},
      {"length below 4", Container(Deflate(Record(0x80, 3, 0, ""))), false, "less than"},
      {"length beyond any stream", Container(Deflate(Join({Record(0x80, 0xFFFFFFF0, 3, kCatalogue)}))), false,
       "more than the rest"},
      {"stream ends in a record", Container(Deflate(Record(0x80, 4 + 40000, 3, std::string(39990, 'a')))), false,
       "ends inside the catalogue record"},
      {"three free texts", Container(Deflate(Join({catalogue, Record(0x02, 3, kFreeTexts), {0xFF}}))), false,
       "instead of 4"},
      {"second catalogue", Container(Deflate(Join({catalogue, freeTexts, catalogue}))), false,
       "image marker belongs"},
      {"no image marker", Container(Deflate(Join({catalogue, freeTexts}))), false, "ends before the image marker"},
      {"straddling record header", Container(Deflate(straddling)), false, "straddles"},
      {"unusable geometry", Container(Deflate(good), 0, oddSectors), false, "geometry"},
      {"deflate length cut", Container(Deflate(good), 0, Geometry160k(), -3), true, "cut short"},
      {"stream cut after the image", Container(Deflate(Join({good, noise})), 0, Geometry160k(), -100), true,
       "cut short"},
      {"corrupt deflate", Container(corrupt), false, "corrupt"},
      {"image cut short", Container(Deflate(Join({catalogue, freeTexts, {0xFF}, noise}))), true,
       "after 100000 of"},
      {"image larger than the stream can hold", Container(Deflate(good), 0, huge), true, "can hold"},
  };
  for (const Case& c : cases) {
    TempFile f(c.file);
    ContainerInfo info;
    std::string error;
    const bool read = ReadContainerInfo(f.get(), kAtOffset, &info, &error);
    EXPECT_EQ(c.infoReads, read) << c.what << ": " << error;
    if (!read) {
      EXPECT_NE(std::string::npos, error.find(c.expected)) << c.what << ": " << error;
    }

    TempDir dir;
    ExtractReport report;
    error.clear();
    EXPECT_FALSE(ExtractImage(f.get(), kAtOffset, "", dir / "image", &report, &error)) << c.what;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << c.what << ": " << error;
    EXPECT_FALSE(FileExists(dir / "image")) << c.what;
  }
}
