// Where the lines of a printed text go on the pages: the line height and
// character width a printer's page gives, the line count of a text, and
// the placement of each line of each copy. Pure arithmetic, so that the
// rules can be checked without a printer.
#ifndef ZOLT_PRINT_PRINT_LAYOUT_H
#define ZOLT_PRINT_PRINT_LAYOUT_H

// The printed line: 3.2 mm high, characters 1.6 mm wide, in the device's
// pixels.
struct PrintMetrics {
  int lineHeight;
  int charWidth;
};

// From the page's resolution (HORZRES, VERTRES: pixels) and size
// (HORZSIZE, VERTSIZE: millimetres), truncated toward zero. False when the
// device gives no usable size (a zero or negative size, or a line height
// below one pixel): nothing can be placed on such a page.
bool MeasurePrintPage(int horzRes, int vertRes, int horzSizeMm, int vertSizeMm,
                      PrintMetrics* metrics);

// The line count that decides whether a copy fits: 1, plus 1 for every CR
// or LF followed by a character that is none of CR, LF and NUL. A run of
// line breaks between two lines counts once; trailing breaks count nothing.
int CountPrintLines(const char* text);

// A position on the pages of a document: the page (0 is the page open when
// a job begins, each new page one more) and the height y of the next line
// in pixels from the top of the printable area (no margins).
struct PrintPosition {
  int page;
  int y;
};

// One line to print at x = 0: `length` characters from `start`, which
// points into the text. Empty lines are placed too.
struct PlacedLine {
  int page;
  int y;
  const char* start;
  int length;
};

typedef void (*PlaceLine)(void* context, const PlacedLine& line);

// Lays out `copies` copies of `text` from `position` on pages
// `pageHeight` pixels high with lines `lineHeight` apart, calling `place`
// for each line in order, and returns the position after the last copy.
//
// A copy that does not fit on the rest of a page that already holds lines
// (pageHeight - (lines + 2) x lineHeight <= y) begins a new page. A line
// ends at a CR or LF; a CR or LF right after it belongs to the same break
// (CR LF, and also LF LF, is one break; CR LF CR LF leaves an empty line).
// A final line without a break is printed like any other. Lines advance
// while y stays below pageHeight - 2 x lineHeight; a line that would come
// after the last one on a page goes to the top of a new page. Each copy is
// followed by one empty line.
PrintPosition LayOutPrintText(const char* text, int copies, PrintPosition position,
                              int pageHeight, int lineHeight, PlaceLine place, void* context);

#endif
