// The page layout of printed texts.
#include "print/print_layout.h"

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

bool MeasurePrintPage(int horzRes, int vertRes, int horzSizeMm, int vertSizeMm,
                      PrintMetrics* metrics) {
  if (horzRes <= 0 || vertRes <= 0 || horzSizeMm <= 0 || vertSizeMm <= 0) return false;
  metrics->lineHeight = int(vertRes * 3.2 / vertSizeMm);
  metrics->charWidth = int(horzRes * 1.6 / horzSizeMm);
  return metrics->lineHeight >= 1;
}

int CountPrintLines(const char* text) {
  int lines = 1;
  for (const char* p = text; *p != '\0'; ++p)
    if (IsBreak(p[0]) && p[1] != '\0' && !IsBreak(p[1])) ++lines;
  return lines;
}

PrintPosition LayOutPrintText(const char* text, int copies, PrintPosition position,
                              int pageHeight, int lineHeight, PlaceLine place, void* context) {
  // In 64 bits: a text of many lines must not wrap the fit test around.
  const long long lines = CountPrintLines(text);
  const long long lastLineTop = (long long)pageHeight - 2LL * lineHeight;
  for (int copy = 0; copy < copies; ++copy) {
    if (position.y > 0 && (long long)pageHeight - (lines + 2) * lineHeight <= position.y) {
      ++position.page;
      position.y = 0;
    }
    bool pageFull = false;  // the last line went where no further line fits
    const char* start = text;
    while (*start != '\0') {
      const char* end = start;
      while (*end != '\0' && !IsBreak(*end)) ++end;
      if (pageFull) {
        ++position.page;
        position.y = 0;
        pageFull = false;
      }
      place(context, PlacedLine{position.page, position.y, start, int(end - start)});
      if (position.y < lastLineTop)
        position.y += lineHeight;
      else
        pageFull = true;
      if (*end == '\0') break;
      start = end + 1;
      if (IsBreak(*start)) ++start;
    }
    position.y += lineHeight;
  }
  return position;
}
