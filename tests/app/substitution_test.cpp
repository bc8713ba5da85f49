// The substitution table, the stored password and its check, and the CRC.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "container/image_crc.h"
#include "container/substitution.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"

namespace {

const uint32_t kOffset = 3000;

// A program file of random bytes with one container byte at kOffset.
std::vector<uint8_t> RandomProgram(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(kOffset + 100);
  for (auto& b : bytes) b = uint8_t(rng());
  return bytes;
}

// The stored form of an upper-case password: its length, then for each
// character p the byte c with table[c] == p.
std::string StoredPassword(const char* password, const uint8_t table[256]) {
  std::string field(1, char(strlen(password)));
  for (const char* p = password; *p; ++p)
    for (int c = 1; c < 256; ++c)
      if (table[c] == uint8_t(*p)) {
        field += char(c);
        break;
      }
  return field;
}

}  // namespace

TEST(SubstitutionTable, IdentityWithoutPassword) {
  TempFile f(RandomProgram(1));
  uint8_t table[256];
  for (const char* none : {(const char*)nullptr, ""}) {
    memset(table, 0xA5, sizeof table);
    ASSERT_TRUE(DeriveSubstitutionTable(f.get(), kOffset, none, table));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(i, table[i]);
  }
}

TEST(SubstitutionTable, PasswordGivesAPermutationWithoutFixedPoints) {
  TempFile f(RandomProgram(2));
  fseek(f.get(), 1234, SEEK_SET);
  uint8_t table[256];
  ASSERT_TRUE(DeriveSubstitutionTable(f.get(), kOffset, "SECRET", table));
  EXPECT_EQ(1234, ftell(f.get())) << "the file position is put back";
  bool seen[256] = {};
  for (int b = 0; b < 256; ++b) {
    EXPECT_NE(b, table[b]) << "byte " << b << " maps to itself";
    EXPECT_FALSE(seen[table[b]]) << "value " << int(table[b]) << " given twice";
    seen[table[b]] = true;
  }
  uint8_t other[256];
  ASSERT_TRUE(DeriveSubstitutionTable(f.get(), kOffset, "SECRES", other));
  EXPECT_NE(0, memcmp(table, other, 256)) << "another password, another table";
}

TEST(SubstitutionTable, ScanThatCannotFinishEnds) {
  // From the start position (512 + 'A') the bytes 1..254 and 0 take the
  // values 0..254; the only value left for i = 255 is 255 itself, and every
  // other byte of the file is already taken: the scan would turn for ever.
  std::vector<uint8_t> bytes(1001, 1);
  const uint32_t offset = 1000, start = 512 + 'A';
  for (int k = 0; k < 254; ++k) bytes[start + k] = uint8_t(k + 1);
  bytes[start + 254] = 0;
  TempFile f(bytes);
  uint8_t table[256];
  EXPECT_FALSE(DeriveSubstitutionTable(f.get(), offset, "A", table));

  // A file of one repeated byte takes one value and then nothing.
  TempFile flat(std::vector<uint8_t>(1001, 0x41));
  EXPECT_FALSE(DeriveSubstitutionTable(flat.get(), offset, "A", table));

  // A file that ends before the scan's start position cannot be scanned.
  TempFile shortFile(std::vector<uint8_t>(300, 7));
  EXPECT_FALSE(DeriveSubstitutionTable(shortFile.get(), offset, "A", table));
}

TEST(SubstitutionTable, ScanTakesTheByteAtTheOffsetThenWraps) {
  // From the start position to the offset every byte is 0, which i = 0
  // skips; the byte at the offset takes i = 0 and the scan goes on from
  // offset 0, where the bytes before the start complete the table.
  const uint32_t start = 512 + 'B';
  auto program = [&](uint8_t atOffset, uint8_t beyond) {
    std::vector<uint8_t> bytes(kOffset + 2, 0);
    for (uint32_t k = 0; k < start; ++k) bytes[k] = uint8_t(k * 7 + 3);
    bytes[kOffset] = atOffset;
    bytes[kOffset + 1] = beyond;
    return bytes;
  };
  uint8_t table[256], again[256];
  TempFile a(program(9, 1));
  ASSERT_TRUE(DeriveSubstitutionTable(a.get(), kOffset, "B", table));
  EXPECT_EQ(0, table[9]);
  TempFile b(program(9, 2));
  ASSERT_TRUE(DeriveSubstitutionTable(b.get(), kOffset, "B", again));
  EXPECT_EQ(0, memcmp(table, again, 256)) << "a byte beyond the offset was read";
  TempFile c(program(10, 1));
  ASSERT_TRUE(DeriveSubstitutionTable(c.get(), kOffset, "B", again));
  EXPECT_EQ(0, again[10]);
}

// The Linux restorer as built: every start position a password of up to
// twelve bytes can give (512 + 1 to 512 + 12 x 255) leads to a complete
// table, so whatever the code's layout, no password is impossible. (The
// front of an ELF file can hold every value but 0xFF for tens of KiB, and
// a scan that meets 0xFF last cannot end.)
TEST(SubstitutionTable, EveryStartPositionCompletesOverTheLinuxRestorer) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(BuiltProgram("zolt"), &bytes));
  const uint32_t offset = uint32_t(bytes.size());
  bytes.push_back(0xAA);  // the container's first byte
  TempFile restorer(bytes);
  std::vector<int> impossible;
  for (int sum = 1; sum <= kMaxPasswordLength * 255; ++sum) {
    // Bytes of this sum (the scan depends on nothing else of the password).
    std::string password;
    for (int left = sum; left > 0; left -= 255) password += char(left < 255 ? left : 255);
    uint8_t table[256];
    if (!DeriveSubstitutionTable(restorer.get(), offset, password.c_str(), table)) impossible.push_back(512 + sum);
  }
  EXPECT_EQ(std::vector<int>{}, impossible) << "start positions whose scan cannot end";
}

TEST(Password, StoredFormDecodesAndMatches) {
  TempFile f(RandomProgram(3));
  uint8_t table[256];
  ASSERT_TRUE(DeriveSubstitutionTable(f.get(), kOffset, "ZOLT12", table));
  std::string field = StoredPassword("ZOLT12", table);
  ASSERT_EQ(7u, field.size()) << "every character has a stored byte other than 0";

  char typed[] = "zolt12";
  UpperCasePassword(typed);
  EXPECT_STREQ("ZOLT12", typed);
  EXPECT_TRUE(PasswordMatches(typed, field.c_str(), table));
  EXPECT_FALSE(PasswordMatches("ZOLT1", field.c_str(), table));
  EXPECT_FALSE(PasswordMatches("ZOLT123", field.c_str(), table));

  // With the table of a wrong password the field decodes to something else.
  uint8_t wrong[256];
  ASSERT_TRUE(DeriveSubstitutionTable(f.get(), kOffset, "ZOLT13", wrong));
  EXPECT_FALSE(PasswordMatches("ZOLT13", field.c_str(), wrong));
}

TEST(Password, DecodeStaysInsideTheField) {
  uint8_t identity[256];
  for (int i = 0; i < 256; ++i) identity[i] = uint8_t(i);
  char decoded[16];
  struct Case {
    const char* field;
    const char* expected;
  } cases[] = {
      {"\x03" "ABC", "ABC"},
      {"\x0F" "AB", "AB"},                                    // length beyond the NUL
      {"\xC8" "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNO"},  // never beyond 15
      {"\x01" "XYZ", "X"},
  };
  for (const Case& c : cases) {
    memset(decoded, 0x5A, sizeof decoded);
    DecodePasswordField(c.field, identity, decoded);
    EXPECT_STREQ(c.expected, decoded) << "field length byte " << int((unsigned char)c.field[0]);
  }
  EXPECT_FALSE(PasswordMatches("", "", identity)) << "an empty field is no password";
}

TEST(ImageCrc, PerTrackUpdatesGiveTheWholeCrc) {
  const char check[] = "123456789";
  EXPECT_EQ(0xCBF43926u, ImageCrcUpdate(0, (const uint8_t*)check, 9));
  std::vector<uint8_t> image(18 * 512 * 3 + 512);
  std::mt19937 rng(4);
  for (auto& b : image) b = uint8_t(rng());
  uint32_t whole = ImageCrcUpdate(0, image.data(), uint32_t(image.size()));
  uint32_t running = 0;
  for (size_t at = 0; at < image.size(); at += 18 * 512) {
    uint32_t n = uint32_t(std::min<size_t>(18 * 512, image.size() - at));
    running = ImageCrcUpdate(running, image.data() + at, n);
  }
  EXPECT_EQ(whole, running);
}
