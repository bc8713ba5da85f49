// zolt-pack's builder and reader working together on the bundled sample:
// round trips with and without a password, the exact bytes of a built file,
// containers after other programs, password refusals and extractions that
// fail without leaving a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "container/le_bytes.h"
#include "helpers/test_files.h"
#include "pack/container_reader.h"
#include "pack/container_report.h"
#include "pack/container_writer.h"
#include "pack/password.h"

namespace {

const std::string kSample = ZOLT_BINARY_DIR "/sample-1440k.img";
const std::string kRestorer = ZOLT_BINARY_DIR "/zolt";

std::vector<uint8_t> Bytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
  return bytes;
}

std::vector<uint8_t> Text(const char* text) { return std::vector<uint8_t>(text, text + strlen(text)); }

uint32_t Crc(const std::vector<uint8_t>& bytes) { return uint32_t(crc32(0, bytes.data(), uInt(bytes.size()))); }

// The whole raw deflate stream of `length` bytes at `at`, inflated with
// zlib directly.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& file, size_t at, size_t length) {
  std::vector<uint8_t> out;
  z_stream z{};
  EXPECT_EQ(Z_OK, inflateInit2(&z, -15));
  z.next_in = const_cast<Bytef*>(file.data() + at);
  z.avail_in = uInt(length);
  uint8_t window[65536];
  int result;
  do {
    z.next_out = window;
    z.avail_out = sizeof window;
    result = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), window, window + (sizeof window - z.avail_out));
  } while (result == Z_OK);
  EXPECT_EQ(Z_STREAM_END, result);
  EXPECT_EQ(0u, z.avail_in) << "the stream ends exactly at the header's deflate length";
  inflateEnd(&z);
  return out;
}

// A bare ELF64 program of `payload` bytes: its only section covers the
// payload and the section table closes the file, so its headers describe
// exactly its length.
std::vector<uint8_t> ElfProgram(const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> f(64, 0);
  memcpy(f.data(), "\x7F" "ELF\x02\x01\x01", 7);
  PutU16(&f[16], 2);                                  // ET_EXEC
  PutU16(&f[18], 62);                                 // x86-64
  PutU32(&f[20], 1);
  PutU32(&f[40], uint32_t(64 + payload.size()));      // e_shoff
  PutU16(&f[52], 64);                                 // e_ehsize
  PutU16(&f[54], 56);
  PutU16(&f[58], 64);                                 // e_shentsize
  PutU16(&f[60], 1);                                  // e_shnum
  f.insert(f.end(), payload.begin(), payload.end());
  std::vector<uint8_t> section(64, 0);
  PutU32(&section[4], 1);                             // SHT_PROGBITS
  PutU32(&section[24], 64);                           // sh_offset
  PutU32(&section[32], uint32_t(payload.size()));     // sh_size
  f.insert(f.end(), section.begin(), section.end());
  return f;
}

// Pseudo-random bytes holding every value, for a program that any password
// can be derived from.
std::vector<uint8_t> EveryByte(size_t count) {
  std::vector<uint8_t> bytes(count);
  uint32_t x = 12345;
  for (size_t i = 0; i < count; ++i) bytes[i] = uint8_t((x = x * 1103515245 + 12345) >> 16);
  return bytes;
}

// The first password "<prefix><k>" (k counting from 0) that can, or with
// `usable` false cannot, protect a container behind `stub`; empty when none
// of `tries` can. The table is derived from the program and the container's
// first byte (0x00, the low byte of 512 bytes per sector).
std::string FindPassword(const std::string& stub, const std::string& prefix, bool usable, int tries) {
  std::vector<uint8_t> file = Bytes(stub);
  const uint32_t offset = uint32_t(file.size());
  file.push_back(0x00);
  TempFile probe(file);
  for (int k = 0; k < tries; ++k) {
    std::string candidate = prefix + std::to_string(k), upper, field, error;
    uint8_t table[256];
    EXPECT_TRUE(CheckPasswordText(candidate, &upper, &error)) << error;
    if (MakePasswordField(probe.get(), offset, upper, &field, table, &error) == usable) return candidate;
  }
  return std::string();
}

BuildOptions SampleOptions(const TempDir& dir) {
  BuildOptions o;
  o.imagePath = kSample;
  o.stubPath = kRestorer;
  o.outputPath = dir / "restore.exe";
  return o;
}

// Builds into `options.outputPath`, reporting a failure to the test.
BuildReport Build(const BuildOptions& options) {
  BuildReport report;
  std::string error;
  EXPECT_TRUE(BuildContainer(options, &report, &error)) << error;
  return report;
}

// Extracts the image of the container file `path` into `out`.
bool Extract(const std::string& path, const ContainerLocation& where, const std::string& password,
             const std::string& out, ExtractReport* report, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path;
    return false;
  }
  bool ok = ExtractImage(file, where, password, out, report, error);
  fclose(file);
  return ok;
}

}  // namespace

TEST(PackRoundTrip, SampleWithoutPassword) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "label.txt", Text("Sample diskette\nSecond line: 20 \xC2\xB0" "C, caf\xC3\xA9\n")));
  ASSERT_TRUE(WriteWholeFile(dir / "message.txt", Text("Restore me\r\n")));
  BuildOptions options = SampleOptions(dir);
  options.labelPath = dir / "label.txt";
  options.messagePath = dir / "message.txt";
  BuildReport built = Build(options);

  const std::vector<uint8_t> sample = Bytes(kSample);
  struct stat stubStat, outStat;
  ASSERT_EQ(0, stat(kRestorer.c_str(), &stubStat));
  ASSERT_EQ(0, stat(options.outputPath.c_str(), &outStat));
  EXPECT_EQ(stubStat.st_mode & 07777, outStat.st_mode & 07777) << "the restorer file keeps the stub's mode";
  EXPECT_EQ(uint64_t(outStat.st_size), built.fileBytes);
  EXPECT_EQ(Crc(sample), built.imageCrc);

  TempFile file(Bytes(options.outputPath));
  ContainerInfo info;
  std::string error;
  ASSERT_TRUE(ReadContainerInfo(file.get(), ContainerLocation(), &info, &error)) << error;
  EXPECT_EQ(uint32_t(stubStat.st_size), info.containerOffset);
  EXPECT_EQ(110u, info.catalogue.count);
  EXPECT_EQ("Sample diskette\r\nSecond line: 20 \xF8" "C, caf\x82\r\n", TextRecordEntry(info.freeTexts, kLabelText));
  EXPECT_EQ("Restore me\r\n", TextRecordEntry(info.freeTexts, kMessageText));
  EXPECT_EQ("", TextRecordEntry(info.freeTexts, kPasswordFieldText));
  const std::string described = DescribeContainer(info);
  EXPECT_NE(std::string::npos, described.find("\n  Second line: 20 \xC2\xB0" "C, caf\xC3\xA9\n")) << described;
  EXPECT_NE(std::string::npos, described.find("1.44m")) << described;

  ExtractReport extracted;
  ASSERT_TRUE(Extract(options.outputPath, ContainerLocation(), "", dir / "back.img", &extracted, &error)) << error;
  EXPECT_TRUE(extracted.checksumChecked);
  EXPECT_EQ(sample, Bytes(dir / "back.img"));
}

TEST(PackRoundTrip, SampleWithLowerCasePassword) {
  TempDir dir;
  // A restorer too small to hold every byte value cannot derive any table;
  // the test then uses a program that holds them all.
  std::string stub = kRestorer;
  std::string password = FindPassword(stub, "secret", true, 50);
  if (password.empty()) {
    stub = dir / "every-byte-program";
    ASSERT_TRUE(WriteWholeFile(stub, ElfProgram(EveryByte(16384))));
    password = FindPassword(stub, "secret", true, 50);
  }
  ASSERT_FALSE(password.empty());

  BuildOptions options = SampleOptions(dir);
  options.stubPath = stub;
  options.password = password;
  BuildReport built = Build(options);

  const std::vector<uint8_t> sample = Bytes(kSample);
  const std::vector<uint8_t> file = Bytes(options.outputPath);
  const std::vector<uint8_t> stream = Inflate(file, built.containerOffset + 51, built.deflateLength);
  ASSERT_EQ(built.textBlockLength + sample.size(), stream.size());
  EXPECT_FALSE(std::equal(sample.begin(), sample.end(), stream.begin() + built.textBlockLength))
      << "the image is stored substituted";
  EXPECT_EQ(Crc(sample), built.imageCrc) << "the checksum is of the plain image";

  ExtractReport report;
  std::string error;
  std::string upper;
  ASSERT_TRUE(CheckPasswordText(password, &upper, &error));
  ASSERT_NE(upper, password);
  for (const std::string& typed : {password, upper}) {
    std::filesystem::remove(dir / "back.img");
    ASSERT_TRUE(Extract(options.outputPath, ContainerLocation(), typed, dir / "back.img", &report, &error)) << error;
    EXPECT_EQ(sample, Bytes(dir / "back.img")) << typed;
  }
}

TEST(PackContainer, BuiltFileHasTheContainerLayout) {
  TempDir dir;
  BuildOptions options = SampleOptions(dir);
  Build(options);
  const std::vector<uint8_t> sample = Bytes(kSample);
  const std::vector<uint8_t> stub = Bytes(kRestorer);
  const std::vector<uint8_t> file = Bytes(options.outputPath);
  ASSERT_GT(file.size(), stub.size() + 102);
  ASSERT_TRUE(std::equal(stub.begin(), stub.end(), file.begin())) << "the stub comes first, unchanged";

  const uint8_t* h = file.data() + stub.size();
  EXPECT_EQ(0, memcmp(h, sample.data() + 11, 25)) << "the BPB is the boot sector's";
  EXPECT_EQ(std::vector<uint8_t>(6, 0), std::vector<uint8_t>(h + 25, h + 31));
  EXPECT_EQ(80, GetU16(h + 31));  // cylinders
  EXPECT_EQ(7, h[33]);            // device type of a 1.44 MB drive
  EXPECT_EQ(2, h[34]);
  EXPECT_EQ(0, h[35]);
  EXPECT_EQ(0xAA, h[36]);
  EXPECT_EQ(0x55, h[37]);
  const uint32_t deflateLength = GetU32(h + 38);
  EXPECT_EQ(file.size(), stub.size() + 51 + deflateLength + 51);
  const uint8_t checksum[5] = {0x85, 4, 0, 0, 0};
  EXPECT_EQ(0, memcmp(h + 42, checksum, 5));
  EXPECT_EQ(Crc(sample), GetU32(h + 47));

  const uint8_t* t = file.data() + file.size() - 51;
  EXPECT_EQ(0x82, t[0]);
  EXPECT_EQ(4u, GetU32(t + 1));
  EXPECT_EQ(Crc(sample), GetU32(t + 5));
  const uint8_t signature[] = "\x81\x25\0\0\0\x00\x7C\x00\x00\xB6\x01ZOLT-SELFRESTORE-IMAGE-TRAILER";
  EXPECT_EQ(0, memcmp(t + 9, signature, sizeof signature)) << "signature record with its NUL";

  const std::vector<uint8_t> stream = Inflate(file, stub.size() + 51, deflateLength);
  ASSERT_GT(stream.size(), 32u);
  EXPECT_EQ(0x80, stream[0]);
  const uint32_t catalogueArea = GetU32(&stream[1]) - 4;
  EXPECT_EQ(110u, GetU32(&stream[5]));
  EXPECT_EQ(110, std::count(stream.begin() + 9, stream.begin() + 9 + catalogueArea, 0));
  const size_t free = 9 + catalogueArea;
  EXPECT_EQ(0x02, stream[free]);
  EXPECT_EQ(8u, GetU32(&stream[free + 1])) << "four empty texts";
  EXPECT_EQ(4u, GetU32(&stream[free + 5]));
  EXPECT_EQ(0xFF, stream[free + 13]);
  EXPECT_EQ(std::vector<uint8_t>(stream.begin() + free + 14, stream.end()), sample);
}

TEST(PackContainer, FoundAfterAnotherProgramByHeadersOrOffset) {
  TempDir dir;
  BuildOptions options = SampleOptions(dir);
  BuildReport built = Build(options);
  const std::vector<uint8_t> file = Bytes(options.outputPath);
  const std::vector<uint8_t> container(file.begin() + built.containerOffset, file.end());

  std::vector<uint8_t> elf = ElfProgram(EveryByte(5000));
  const uint32_t elfLength = uint32_t(elf.size());
  ASSERT_NE(elfLength, built.containerOffset);
  std::vector<uint8_t> raw(777, 'x');  // no program headers at all
  struct Case {
    std::vector<uint8_t> program;
    ContainerLocation where;
  } cases[] = {{elf, ContainerLocation()}, {raw, ContainerLocation{true, 777}}};
  for (Case& c : cases) {
    std::vector<uint8_t> bytes = c.program;
    bytes.insert(bytes.end(), container.begin(), container.end());
    TempFile f(bytes);
    ContainerInfo info;
    std::string error;
    ASSERT_TRUE(ReadContainerInfo(f.get(), c.where, &info, &error)) << error;
    EXPECT_EQ(c.program.size(), info.containerOffset);
    EXPECT_EQ(built.deflateLength, info.header.deflateLength);
    EXPECT_TRUE(info.trailerAtEnd);
    ExtractReport report;
    std::filesystem::remove(dir / "back.img");
    ASSERT_TRUE(ExtractImage(f.get(), c.where, "", dir / "back.img", &report, &error)) << error;
    EXPECT_EQ(Bytes(kSample), Bytes(dir / "back.img"));
  }
  TempFile headerless(std::vector<uint8_t>(raw.begin(), raw.end()));
  ContainerInfo info;
  std::string error;
  EXPECT_FALSE(ReadContainerInfo(headerless.get(), ContainerLocation(), &info, &error));
  EXPECT_NE(std::string::npos, error.find("--offset")) << error;
}

TEST(PackPassword, RefusedPasswords) {
  std::string upper, error;
  for (const char* bad : {"", "ABCDEFGHIJKLM", "tab\there", "caf\xC3\xA9"}) {
    EXPECT_FALSE(CheckPasswordText(bad, &upper, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  ASSERT_TRUE(CheckPasswordText("Twelve chars", &upper, &error)) << error;
  EXPECT_EQ("TWELVE CHARS", upper);

  // Some passwords cannot protect a container behind a given program: their
  // table scan does not finish, or their stored form would hold a 0 byte
  // (when byte value 0 is placed at a printable character). A program with
  // few zero bytes has many such passwords; a real restorer may have none.
  TempDir dir;
  const std::string stub = dir / "program";
  ASSERT_TRUE(WriteWholeFile(stub, ElfProgram(EveryByte(16384))));
  std::string unusable = FindPassword(stub, "PW", false, 5000);
  ASSERT_FALSE(unusable.empty());
  BuildOptions options = SampleOptions(dir);
  options.stubPath = stub;
  options.password = unusable;
  BuildReport report;
  EXPECT_FALSE(BuildContainer(options, &report, &error));
  EXPECT_NE(std::string::npos, error.find("choose another password")) << error;
  options.password = "thirteen char";
  EXPECT_FALSE(BuildContainer(options, &report, &error));
  EXPECT_NE(std::string::npos, error.find("13")) << error;
  EXPECT_FALSE(FileExists(options.outputPath));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ("program", entry.path().filename().string()) << "nothing is left behind";
}

TEST(PackContainer, RefusesAStubWhoseLengthIsNotItsProgram) {
  TempDir dir;
  std::vector<uint8_t> stub = Bytes(kRestorer);
  stub.push_back(0);
  ASSERT_TRUE(WriteWholeFile(dir / "padded-stub", stub));
  BuildOptions options = SampleOptions(dir);
  options.stubPath = dir / "padded-stub";
  BuildReport report;
  std::string error;
  EXPECT_FALSE(BuildContainer(options, &report, &error));
  EXPECT_NE(std::string::npos, error.find(std::to_string(stub.size()))) << error;
  EXPECT_NE(std::string::npos, error.find(std::to_string(stub.size() - 1))) << error;
  EXPECT_FALSE(FileExists(options.outputPath));
}

TEST(PackExtract, FailuresLeaveNoImage) {
  TempDir dir;
  BuildOptions options = SampleOptions(dir);
  BuildReport built = Build(options);
  const std::vector<uint8_t> good = Bytes(options.outputPath);

  std::vector<uint8_t> badCrc = good;
  badCrc[built.containerOffset + 47] ^= 1;
  std::vector<uint8_t> cut(good.begin(), good.end() - 51 - 100);
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    const char* expected;
  } cases[] = {
      {"checksum mismatch", badCrc, "CRC mismatch"},
      {"truncated", cut, "deflate stream"},
  };
  for (const Case& c : cases) {
    TempFile f(c.file);
    ExtractReport report;
    std::string error;
    EXPECT_FALSE(ExtractImage(f.get(), ContainerLocation(), "", dir / "out.img", &report, &error)) << c.what;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << c.what << ": " << error;
  }

  // A protected container: no password, a wrong one.
  std::string stub = dir / "program";
  ASSERT_TRUE(WriteWholeFile(stub, ElfProgram(EveryByte(16384))));
  std::string password = FindPassword(stub, "key", true, 50);
  ASSERT_FALSE(password.empty());
  options.stubPath = stub;
  options.password = password;
  options.outputPath = dir / "protected.exe";
  Build(options);
  for (const char* typed : {"", "wrong", "abcdefghijklmnop"}) {
    ExtractReport report;
    std::string error;
    EXPECT_FALSE(Extract(options.outputPath, ContainerLocation(), typed, dir / "out.img", &report, &error)) << typed;
    EXPECT_NE(std::string::npos, error.find("password")) << error;
  }
  EXPECT_FALSE(FileExists(dir / "out.img"));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find("out.img")) << entry.path();
}
