// Texts as zolt-pack stores them: code page 437 conversion, the free texts
// with CR LF line ends and their size limit, the default catalogue, and the
// text block's record headers that must not straddle a 32 KiB window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "helpers/test_files.h"
#include "pack/cp437.h"
#include "pack/default_catalogue.h"
#include "pack/free_text.h"
#include "pack/text_block.h"

TEST(PackText, Cp437RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  std::string back, problem;
  ASSERT_TRUE(Utf8ToCp437(Cp437ToUtf8(all), &back, &problem)) << problem;
  EXPECT_EQ(all, back);
  EXPECT_EQ("\xE2\x95\x94\xC2\xB0", Cp437ToUtf8("\xC9\xF8"));  // box corner, degree sign
}

namespace {

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace

TEST(PackText, FreeTextConversion) {
  const std::string longest(kMaxFreeTextBytes, 'x');
  struct Case {
    std::string utf8;
    bool ok;
    std::string expected;  // the stored text, or a part of the refusal
  } cases[] = {
      {"one\ntwo\n", true, "one\r\ntwo\r\n"},
      {"one\r\ntwo", true, "one\r\ntwo"},
      {"old\rmac\r\n\n", true, "old\r\nmac\r\n\r\n"},
      {"\xEF\xBB\xBF" "BOM\tdropped", true, "BOM\tdropped"},
      {"25 \xC2\xB0" "C, \xC3\xA9t\xC3\xA9 \xE2\x95\x91", true, "25 \xF8" "C, \x82t\x82 \xBA"},
      {"snow\n\xE2\x98\x83", false, "U+2603"},
      {"euro \xE2\x82\xAC", false, "line 1"},
      {"bad \xC3", false, "not valid UTF-8"},
      {"overlong \xC0\xAF", false, "not valid UTF-8"},
      {std::string("nul\0here", 8), false, "NUL"},
      {longest, true, longest},
      {longest + "x", false, "32764"},
      {std::string(kMaxFreeTextBytes / 2, '\n'), true, Repeat("\r\n", kMaxFreeTextBytes / 2)},
      {std::string(kMaxFreeTextBytes / 2 + 1, '\n'), false, "32766"},
  };
  for (const Case& c : cases) {
    std::string stored, problem;
    bool ok = ConvertFreeText(c.utf8, &stored, &problem);
    ASSERT_EQ(c.ok, ok) << c.utf8.substr(0, 40) << ": " << problem;
    if (ok)
      EXPECT_EQ(c.expected, stored);
    else
      EXPECT_NE(std::string::npos, problem.find(c.expected)) << problem;
  }
}

TEST(PackText, LoadFreeTextNamesTheFile) {
  TempDir dir;
  const std::string path = dir / "label.txt";
  ASSERT_TRUE(WriteWholeFile(path, {'a', '\n', 0xE2, 0x98, 0x83}));
  std::string stored, error;
  EXPECT_FALSE(LoadFreeText(path, &stored, &error));
  EXPECT_NE(std::string::npos, error.find(path)) << error;
  EXPECT_NE(std::string::npos, error.find("line 2")) << error;
  EXPECT_FALSE(LoadFreeText(dir / "missing.txt", &stored, &error));
  EXPECT_NE(std::string::npos, error.find("missing.txt")) << error;
}

TEST(PackText, DefaultCatalogue) {
  const std::string area = DefaultCatalogueArea();
  EXPECT_EQ(kDefaultCatalogueCount, uint32_t(std::count(area.begin(), area.end(), '\0')));
  EXPECT_EQ('\0', area.back());
  // Split into the stored messages.
  std::vector<std::string> messages;
  for (size_t start = 0; start < area.size();) {
    size_t nul = area.find('\0', start);
    messages.push_back(area.substr(start, nul - start));
    start = nul + 1;
  }
  ASSERT_EQ(110u, messages.size());
  // The frame of messages 6 to 10 is one width, drawn in code page 437.
  for (int n = 6; n <= 10; ++n) {
    std::string line = messages[n];
    line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
    EXPECT_EQ(51u, line.size()) << "message " << n;
  }
  EXPECT_EQ('\xC9', messages[6][1]);
  EXPECT_EQ('\xBA', messages[8][0]);
  EXPECT_EQ("The system returns the error n\xF8 ", messages[5]);
  EXPECT_EQ("ZOLT: can't open %s\n \\007", messages[66]);
  EXPECT_EQ("Are you sure you want to write to drive %c ?", messages[92]);
  for (int n : {24, 93, 98, 106, 109}) EXPECT_EQ("", messages[n]) << n;
}

TEST(PackText, RecordHeadersDoNotStraddleAWindow) {
  const std::string freeTexts[4] = {"label", "", "", ""};
  std::string block, error;
  // The free-text header starts 9 bytes after the catalogue's area begins.
  ASSERT_TRUE(MakeTextBlock(std::string(32768 - 9 - 9, 'm'), 1, freeTexts, &block, &error)) << error;
  EXPECT_EQ(char(0x02), block[32768 - 9]);
  EXPECT_EQ(char(0xFF), block.back());
  EXPECT_FALSE(MakeTextBlock(std::string(32768 - 9 - 8, 'm'), 1, freeTexts, &block, &error));
  EXPECT_NE(std::string::npos, error.find("straddle")) << error;
}
