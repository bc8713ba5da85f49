// OemToCharA and CharToOemA between code pages 437 and 1252, as a US or
// Western European Windows converts them (these tables hold there too).
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/windows.h"

namespace {

struct Pair {
  BYTE from, to;
};

std::string Hex(BYTE b) {
  char text[8];
  snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

// Converts each byte alone, out of place and in place.
void CheckEachByte(BOOL (*convert)(LPCSTR, LPSTR), const Pair* pairs, size_t count) {
  for (size_t i = 0; i < count; i++) {
    const Pair& p = pairs[i];
    char source[2] = {char(p.from), 0};
    char destination[2] = {'x', 'x'};
    ASSERT_TRUE(convert(source, destination));
    EXPECT_EQ(Hex(p.to), Hex(BYTE(destination[0]))) << "from " << Hex(p.from);
    EXPECT_EQ(0, destination[1]);
    ASSERT_TRUE(convert(source, source));
    EXPECT_EQ(Hex(p.to), Hex(BYTE(source[0]))) << "in place, from " << Hex(p.from);
  }
}

}  // namespace

TEST(StandInCodePage, OemToCharTable) {
  const Pair cases[] = {
      {'A', 'A'},  {'~', '~'},   {0x0A, 0x0A}, {0x7F, 0x7F},  // ASCII stays
      {0x82, 0xE9}, {0x81, 0xFC}, {0x80, 0xC7}, {0x9A, 0xDC},  // é ü Ç Ü
      {0xE1, 0xDF}, {0xF8, 0xB0}, {0xF1, 0xB1}, {0xFF, 0xA0},  // ß ° ± no-break space
      // Best fits for what 1252 lacks.
      {0xCD, '-'}, {0xC4, '-'}, {0xBA, 0xA6}, {0xB3, 0xA6},  // ═ ─ ║ │ (¦)
      {0xC9, '+'}, {0xDA, '+'}, {0xCE, '+'}, {0xCA, '-'},    // ╔ ┌ ╬ ╩
      {0xB0, 0xA6}, {0xDB, 0xA6}, {0xDC, '_'}, {0xDF, 0xAF}, // ░ █ ▄ ▀ (¯)
      {0xE0, 'a'}, {0xEC, '8'}, {0xF7, 0x98}, {0x9E, 'P'},   // α ∞ ≈ (˜) ₧
  };
  CheckEachByte(OemToCharA, cases, sizeof cases / sizeof cases[0]);
}

TEST(StandInCodePage, CharToOemTable) {
  const Pair cases[] = {
      {'A', 'A'},   {0x7F, 0x7F},                              // ASCII stays
      {0xE9, 0x82}, {0xFC, 0x81}, {0xB0, 0xF8}, {0xA0, 0xFF},  // é ü ° no-break space
      {0xC0, 'A'},  {0xF5, 'o'},  {0x93, '"'},  {0x96, '-'},   // À õ “ –
      {0x80, '?'},  {0x81, '?'},  {0xA9, 'c'},  {0x95, 0x07},  // € undefined © •
  };
  CheckEachByte(CharToOemA, cases, sizeof cases / sizeof cases[0]);
}

TEST(StandInCodePage, WholeTextInPlace) {
  char text[] = "Caf\x82 \xC9\xCD\xBB 20\xF8";  // "Café ╔═╗ 20°"
  ASSERT_TRUE(OemToCharA(text, text));
  EXPECT_STREQ("Caf\xE9 +-+ 20\xB0", text);
  ASSERT_TRUE(CharToOemA(text, text));
  EXPECT_STREQ("Caf\x82 +-+ 20\xF8", text);
}
