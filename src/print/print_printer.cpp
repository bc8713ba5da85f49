// Printing a text on the chosen printer: lines of one bold fixed-pitch
// font, 3.2 mm high and 1.6 mm a character, from the top left corner of
// the printable area (no margins), placed by the layout rules.
#include "print/print_layout.h"
#include "print/print_state.h"

namespace {

// What the layout's placements need to reach the page.
struct PrinterPage {
  HDC dc;
  HFONT font;
  int page;  // the layout's number of the page open now
};

// Windows 9x resets a printer DC's attributes at StartPage: the font is
// selected again on every new page.
void NewPage(PrinterPage* printer) {
  EndPage(printer->dc);
  StartPage(printer->dc);
  if (printer->font != nullptr) SelectObject(printer->dc, printer->font);
  ++printer->page;
}

void PrintPlacedLine(void* context, const PlacedLine& line) {
  PrinterPage* printer = static_cast<PrinterPage*>(context);
  while (printer->page < line.page) NewPage(printer);
  if (line.length > 0) TextOutA(printer->dc, 0, line.y, line.start, line.length);
}

}  // namespace

void PrintOnPrinter(const char* text) {
  PRINTDLGA* record = printState.printDialog;
  HDC dc = record->hDC;
  // Resolutions in pixels, sizes in millimetres.
  const int pageHeight = GetDeviceCaps(dc, VERTRES);
  PrintMetrics metrics;
  if (!MeasurePrintPage(GetDeviceCaps(dc, HORZRES), pageHeight, GetDeviceCaps(dc, HORZSIZE),
                        GetDeviceCaps(dc, VERTSIZE), &metrics)) {
    // A device without a page size cannot be printed on; unless a document
    // is open on it, let the next job choose again.
    if (!printState.documentOpen) ReleasePrinterChoice();
    return;
  }

  LOGFONTA logFont{};
  logFont.lfHeight = metrics.lineHeight;
  logFont.lfWidth = metrics.charWidth;
  logFont.lfWeight = FW_BOLD;
  logFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  // Without the font the text still prints, in the DC's own.
  HFONT font = CreateFontIndirectA(&logFont);

  if (!printState.documentOpen) {
    printState.y = 0;
    DOCINFOA document{};
    document.cbSize = sizeof(DOCINFOA);
    document.lpszDocName = "ZOLT";
    StartDocA(dc, &document);
    StartPage(dc);
    printState.documentOpen = 1;
  }
  HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;

  PrinterPage printer{dc, font, 0};
  PrintPosition end = LayOutPrintText(text, record->nCopies, PrintPosition{0, printState.y},
                                      pageHeight, metrics.lineHeight, PrintPlacedLine, &printer);
  while (printer.page < end.page) NewPage(&printer);
  printState.y = end.y;

  // Later jobs in the same document print one copy.
  record->nCopies = 1;
  if (font != nullptr) {
    if (previousFont != nullptr) SelectObject(dc, previousFont);
    DeleteObject(font);
  }
}
