// The page layout of printed texts: the line measures a page gives, where
// each line of each copy goes, and when a new page begins.
#include <gtest/gtest.h>

#include <string>

#include "print/print_layout.h"

namespace {

// "page/y:text" per line, then "-> page/y" for the position after the text.
void Collect(void* context, const PlacedLine& line) {
  std::string* out = static_cast<std::string*>(context);
  *out += std::to_string(line.page) + "/" + std::to_string(line.y) + ":" +
          std::string(line.start, size_t(line.length)) + " ";
}

std::string Layout(const char* text, int copies, int startY) {
  std::string out;
  // A page of 100 pixels with lines 10 apart: lines at y 0 to 80, nine a page.
  PrintPosition end = LayOutPrintText(text, copies, PrintPosition{0, startY}, 100, 10, Collect, &out);
  return out + "-> " + std::to_string(end.page) + "/" + std::to_string(end.y);
}

const char kTwelveLines[] = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n";

}  // namespace

TEST(PrintLayout, PlacesLinesAndBreaksPages) {
  const struct {
    const char* what;
    const char* text;
    int copies;
    int startY;
    const char* expected;
  } cases[] = {
      {"two lines ending in CR LF", "one\r\ntwo\r\n", 1, 0, "0/0:one 0/10:two -> 0/30"},
      {"CR LF CR LF leaves an empty line", "one\r\n\r\ntwo\r\n", 1, 0, "0/0:one 0/10: 0/20:two -> 0/40"},
      {"LF LF is one break", "one\n\ntwo\r\n", 1, 0, "0/0:one 0/10:two -> 0/30"},
      {"a final line without a break", "one\r\ntwo", 1, 0, "0/0:one 0/10:two -> 0/30"},
      {"a single line without a break", "one", 1, 0, "0/0:one -> 0/20"},
      // Two lines and two more need 40 pixels: from 60 they do not fit.
      {"starting where the text does not fit", "one\r\ntwo\r\n", 1, 60, "1/0:one 1/10:two -> 1/30"},
      {"starting where it just fits", "one\r\ntwo\r\n", 1, 50, "0/50:one 0/60:two -> 0/80"},
      // The empty line counts nothing, yet is printed.
      {"the count ignores empty lines", "one\r\n\r\ntwo\r\n", 1, 60, "1/0:one 1/10: 1/20:two -> 1/40"},
      {"three copies, an empty line after each", "ab\r\n", 3, 0, "0/0:ab 0/20:ab 0/40:ab -> 0/60"},
      {"copies move to a new page when full", "ab\r\ncd\r\n", 3, 20,
       "0/20:ab 0/30:cd 0/50:ab 0/60:cd 1/0:ab 1/10:cd -> 1/30"},
      {"a copy longer than a page continues on the next", kTwelveLines, 1, 0,
       "0/0:1 0/10:2 0/20:3 0/30:4 0/40:5 0/50:6 0/60:7 0/70:8 0/80:9 1/0:10 1/10:11 1/20:12 -> 1/40"},
      {"a long copy below other text starts a new page first", kTwelveLines, 1, 10,
       "1/0:1 1/10:2 1/20:3 1/30:4 1/40:5 1/50:6 1/60:7 1/70:8 1/80:9 2/0:10 2/10:11 2/20:12 -> 2/40"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, Layout(c.text, c.copies, c.startY)) << c.what;
}

TEST(PrintLayout, MeasuresLinesInDevicePixels) {
  const struct {
    int horzRes, vertRes, horzSizeMm, vertSizeMm;
    bool usable;
    int lineHeight, charWidth;
  } cases[] = {
      {4960, 7016, 210, 297, true, 75, 37},  // A4 at 600 dpi: 75.6 and 37.8 pixels
      {2550, 3300, 216, 279, true, 37, 18},  // Letter at 300 dpi: 37.8 and 18.9 pixels
      {2550, 3300, 216, 0, false, 0, 0},     // a device without a page size
      {2550, 2, 216, 279, false, 0, 0},      // a line below one pixel
  };
  for (const auto& c : cases) {
    PrintMetrics metrics{};
    ASSERT_EQ(c.usable, MeasurePrintPage(c.horzRes, c.vertRes, c.horzSizeMm, c.vertSizeMm, &metrics))
        << c.horzRes << "x" << c.vertRes;
    if (c.usable) {
      EXPECT_EQ(c.lineHeight, metrics.lineHeight) << c.horzRes << "x" << c.vertRes;
      EXPECT_EQ(c.charWidth, metrics.charWidth) << c.horzRes << "x" << c.vertRes;
    }
  }
}
