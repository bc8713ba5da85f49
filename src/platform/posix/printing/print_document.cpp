// Printer DCs and their documents: StartDocA, StartPage, TextOutA, EndPage,
// EndDoc and DeleteDC. Each document is drawn with cairo into one
// PDF file, a page per StartPage...EndPage, and handed to the CUPS printer
// when it ends (or left in DOCINFOA's lpszOutput, which prints nothing).
// Every TextOutA drawn is also recorded (gdi_record.h), and every document
// that ends, in the print job record (printing.h).
//
// Windows facts followed here:
// - Device units on a printer are its dots; (0, 0) is the top left corner
//   of the printable area, not of the paper.
// - TextOutA with the default alignment (TA_TOP | TA_LEFT) puts the top
//   left corner of the first character cell at (x, y).
// - A LOGFONTA height above 0 is the character cell's height, below 0 the
//   character (em) height; a width above 0 is the average character width,
//   to which the font is stretched.
// - StartDocA returns the job's number (above 0), the other document calls
//   a value above 0; on failure SP_ERROR (StartDocA, EndDoc, StartPage,
//   EndPage) with the reason in the last error. A failed hand-over to the
//   printer sets ERROR_NOT_READY here.
#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <mutex>

#include "kernel32/standin.h"
#include "printing/print_libraries.h"
#include "printing/printing.h"

namespace {

struct PrinterDC {
  PrintDestination destination;
  GdiDeviceCaps caps;
  int copies;
  // The open document.
  bool documentOpen = false;
  bool pageOpen = false;
  int pages = 0;
  std::string title;       // UTF-8
  std::string output;      // lpszOutput, or empty
  std::string pdfPath;     // where the PDF is drawn
  const CairoFunctions* draw = nullptr;  // cairo's functions, while a document is open
  cairo_surface_t* surface = nullptr;
  cairo_t* cairo = nullptr;
};

struct PrintState {
  std::mutex lock;
  std::map<HDC, PrinterDC*> printers;
  std::deque<PrintJobRecord> records;
  int nextJob = 1;  // StartDocA's numbers
};

// Never destroyed, like the GDI state.
PrintState& State() {
  static PrintState* state = new PrintState;
  return *state;
}

// A process whose documents no test takes keeps only the latest records.
const size_t kRecordLimit = 256;

void KeepRecordLocked(PrintState& state, const PrintJobRecord& record) {
  if (state.records.size() == kRecordLimit) state.records.pop_front();
  state.records.push_back(record);
}

// With the lock held: the printer behind `dc`, or null with the last error
// set. A DC that is not a printer's is outside the subset for `call`.
PrinterDC* FindPrinterLocked(PrintState& state, HDC dc, const char* call) {
  auto found = state.printers.find(dc);
  if (found != state.printers.end()) return found->second;
  GdiDeviceKind device;
  if (GdiDeviceOf(dc, &device)) StandInUnsupported(call, "a DC that is not a printer's");
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

double PointsOf(int hundredthsOfMillimetre) { return hundredthsOfMillimetre * 72.0 / 2540.0; }

// Closes the PDF; false when cairo could not write it.
bool FinishPdf(PrinterDC* printer, std::string* error) {
  const CairoFunctions& draw = *printer->draw;
  if (printer->cairo != nullptr) draw.cairo_destroy(printer->cairo);
  printer->cairo = nullptr;
  draw.cairo_surface_finish(printer->surface);
  cairo_status_t status = draw.cairo_surface_status(printer->surface);
  draw.cairo_surface_destroy(printer->surface);
  printer->surface = nullptr;
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = std::string("cannot write the PDF: ") + draw.cairo_status_to_string(status);
    return false;
  }
  return true;
}

// The record of the document and the DC's state after it.
PrintJobRecord EndDocumentLocked(PrinterDC* printer, bool aborted) {
  PrintJobRecord record;
  record.destination = printer->destination.name;
  record.title = printer->title;
  record.pages = printer->pages;
  record.copies = printer->copies;
  record.output = printer->output;
  record.jobId = 0;
  record.aborted = aborted;
  printer->documentOpen = false;
  printer->pageOpen = false;
  return record;
}

// The face that Windows' font mapper would pick by the LOGFONTA's pitch
// and family when it names none.
const char* FamilyOf(const LOGFONTA& font) {
  if (font.lfFaceName[0] != '\0') return font.lfFaceName;
  int family = font.lfPitchAndFamily & 0xF0;
  if ((font.lfPitchAndFamily & 0x03) == FIXED_PITCH || family == FF_MODERN) return "monospace";
  if (family == 0x10) return "serif";  // FF_ROMAN
  return "sans-serif";
}

// Draws text with the LOGFONTA's look, in device units.
void DrawText(PrinterDC* printer, int x, int y, const std::string& utf8, const LOGFONTA& font) {
  const CairoFunctions& draw = *printer->draw;
  cairo_t* cr = printer->cairo;
  const PrintDestination& d = printer->destination;
  draw.cairo_save(cr);
  draw.cairo_identity_matrix(cr);
  draw.cairo_scale(cr, 72.0 / d.dpiX, 72.0 / d.dpiY);
  draw.cairo_translate(cr, d.marginLeft * double(d.dpiX) / 2540.0, d.marginTop * double(d.dpiY) / 2540.0);
  draw.cairo_select_font_face(cr, FamilyOf(font), font.lfItalic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                              font.lfWeight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  // Windows' default for a height of 0 is a 12-point font.
  double height = font.lfHeight != 0 ? double(font.lfHeight) : 12.0 * d.dpiY / 72.0;
  double em = height < 0 ? -height : height;
  cairo_matrix_t matrix;
  draw.cairo_matrix_init_scale(&matrix, em, em);
  draw.cairo_set_font_matrix(cr, &matrix);
  cairo_font_extents_t extents;
  if (height > 0) {  // a cell height: the em is what leaves that cell
    draw.cairo_font_extents(cr, &extents);
    if (extents.ascent + extents.descent > 0) em = em * height / (extents.ascent + extents.descent);
    draw.cairo_matrix_init_scale(&matrix, em, em);
    draw.cairo_set_font_matrix(cr, &matrix);
  }
  if (font.lfWidth > 0) {  // stretched to the average width (a fixed pitch's every width)
    cairo_text_extents_t character;
    draw.cairo_text_extents(cr, "x", &character);
    if (character.x_advance > 0) {
      draw.cairo_matrix_init_scale(&matrix, em * font.lfWidth / character.x_advance, em);
      draw.cairo_set_font_matrix(cr, &matrix);
    }
  }
  draw.cairo_font_extents(cr, &extents);
  draw.cairo_set_source_rgb(cr, 0, 0, 0);
  draw.cairo_move_to(cr, x, y + extents.ascent);
  draw.cairo_show_text(cr, utf8.c_str());
  draw.cairo_restore(cr);
}

// Hands the PDF to the CUPS printer as lp would: with the options of the
// destination's instance and the copies. The job's number, or 0 with the
// reason in `error`.
int Submit(const PrintDestination& destination, const std::string& path, const std::string& title, int copies,
           std::string* error) {
  const CupsFunctions* library = CupsLibrary();
  if (library == nullptr) {
    *error = "libcups cannot be loaded";
    return 0;
  }
  const CupsFunctions& cups = *library;
  cups.cupsSetServer(nullptr);  // the environment as it is now
  std::string name = destination.name, instance;
  size_t slash = name.find('/');
  if (slash != std::string::npos) {
    instance = name.substr(slash + 1);
    name.erase(slash);
  }
  int optionCount = 0;
  cups_option_t* options = nullptr;
  cups_dest_t* dest =
      cups.cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), instance.empty() ? nullptr : instance.c_str());
  if (dest != nullptr) {
    for (int i = 0; i < dest->num_options; ++i)
      optionCount = cups.cupsAddOption(dest->options[i].name, dest->options[i].value, optionCount, &options);
    cups.cupsFreeDests(1, dest);
  }
  if (copies > 1) optionCount = cups.cupsAddOption("copies", std::to_string(copies).c_str(), optionCount, &options);
  int job = cups.cupsPrintFile2(CUPS_HTTP_DEFAULT, name.c_str(), path.c_str(), title.c_str(), optionCount, options);
  cups.cupsFreeOptions(optionCount, options);
  if (job == 0) *error = std::string("CUPS refused the job: ") + cups.cupsLastErrorString();
  return job;
}

}  // namespace

HDC NewPrinterDC(const PrintDestination& destination, int copies) {
  // A printer's documents are drawn with cairo: without it there is no
  // printer DC. The file port's DC draws nothing.
  if (!destination.filePort) {
    bool drawable = false;
    RunWithSystemStack([&drawable] { drawable = CairoLibrary() != nullptr; });
    if (!drawable) return nullptr;
  }
  GdiDeviceCaps caps = DestinationCaps(destination);
  HDC dc = NewDeviceContext(kGdiPrinterDevice, nullptr, caps);
  PrinterDC* printer = new PrinterDC;
  printer->destination = destination;
  printer->caps = caps;
  printer->copies = copies;
  PrintState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.printers[dc] = printer;
  return dc;
}

std::vector<PrintJobRecord> TakePrintJobRecord() {
  PrintState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  std::vector<PrintJobRecord> records(state.records.begin(), state.records.end());
  state.records.clear();
  return records;
}

int StartDocA(HDC dc, const DOCINFOA* document) {
  if (document == nullptr) StandInUnsupported("StartDocA", "a null DOCINFOA");
  if (document->lpszDatatype != nullptr) StandInUnsupported("StartDocA", "a data type (the spooler's own formats)");
  PrintState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  PrinterDC* printer = FindPrinterLocked(state, dc, "StartDocA");
  if (printer == nullptr) return SP_ERROR;
  if (printer->documentOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  std::string output = document->lpszOutput != nullptr ? document->lpszOutput : "";
  if (output.empty() && printer->destination.filePort)
    StandInUnsupported("StartDocA", "a document on the file port without lpszOutput (the port would ask for a file)");

  std::string path = output;
  if (path.empty()) {
    const char* folder = getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/zolt-print-XXXXXX.pdf";
    int fd = mkstemps(&pattern[0], 4);
    if (fd < 0) {
      SetLastError(ERROR_CANNOT_MAKE);
      return SP_ERROR;
    }
    close(fd);
    path = pattern;
  }
  const PrintDestination& d = printer->destination;
  std::string title = AnsiToUtf8(document->lpszDocName != nullptr ? document->lpszDocName : "");
  bool made = false;
  RunWithSystemStack([&] {
    const CairoFunctions* library = CairoLibrary();
    if (library == nullptr) return;
    const CairoFunctions& draw = *library;
    cairo_surface_t* surface =
        draw.cairo_pdf_surface_create(path.c_str(), PointsOf(d.pageWidth), PointsOf(d.pageLength));
    if (draw.cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      draw.cairo_surface_destroy(surface);
      return;
    }
    draw.cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
    draw.cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "ZOLT");
    printer->draw = library;
    printer->surface = surface;
    printer->cairo = draw.cairo_create(surface);
    made = true;
  });
  if (!made) {
    if (output.empty()) unlink(path.c_str());
    SetLastError(ERROR_CANNOT_MAKE);
    return SP_ERROR;
  }
  printer->title = title;
  printer->output = output;
  printer->pdfPath = path;
  printer->pages = 0;
  printer->pageOpen = false;
  printer->documentOpen = true;
  return state.nextJob++;
}

int StartPage(HDC dc) {
  PrintState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  PrinterDC* printer = FindPrinterLocked(state, dc, "StartPage");
  if (printer == nullptr) return SP_ERROR;
  if (!printer->documentOpen || printer->pageOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  printer->pageOpen = true;
  return 1;
}

int EndPage(HDC dc) {
  PrintState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  PrinterDC* printer = FindPrinterLocked(state, dc, "EndPage");
  if (printer == nullptr) return SP_ERROR;
  if (!printer->pageOpen) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  RunWithSystemStack([printer] { printer->draw->cairo_show_page(printer->cairo); });
  printer->pageOpen = false;
  printer->pages++;
  return 1;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (text == nullptr || count < 0) StandInUnsupported("TextOutA", "a null text or a negative count");
  std::string characters(text, size_t(count));
  {
    PrintState& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    PrinterDC* printer = FindPrinterLocked(state, dc, "TextOutA");
    if (printer == nullptr) return FALSE;
    if (!printer->pageOpen) {  // nothing to draw on
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    LOGFONTA font;
    if (!GdiSelectedFont(dc, &font)) return FALSE;
    std::string utf8 = AnsiToUtf8(characters.c_str());
    RunWithSystemStack([&] { DrawText(printer, x, y, utf8, font); });
  }
  GdiOperation operation = {};
  operation.kind = kGdiTextOut;
  operation.at = POINT{x, y};
  operation.text = characters;
  return RecordGdiOperation(dc, operation) ? TRUE : FALSE;
}

int EndDoc(HDC dc) {
  PrintState& state = State();
  PrintJobRecord record;
  PrintDestination destination;
  std::string path;
  bool finished = false;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    PrinterDC* printer = FindPrinterLocked(state, dc, "EndDoc");
    if (printer == nullptr) return SP_ERROR;
    if (!printer->documentOpen) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return SP_ERROR;
    }
    // A page still open is ended with the document.
    bool pageOpen = printer->pageOpen;
    if (pageOpen) printer->pages++;
    record = EndDocumentLocked(printer, false);
    RunWithSystemStack([&] {
      if (pageOpen) printer->draw->cairo_show_page(printer->cairo);
      finished = FinishPdf(printer, &record.error);
    });
    destination = printer->destination;
    path = printer->pdfPath;
  }
  // The hand-over takes its time: outside the lock, as a spooler would.
  if (finished && record.output.empty() && record.pages > 0)
    RunWithSystemStack([&] { record.jobId = Submit(destination, path, record.title, record.copies, &record.error); });
  if (record.output.empty()) unlink(path.c_str());
  {
    std::lock_guard<std::mutex> hold(state.lock);
    KeepRecordLocked(state, record);
  }
  if (!record.error.empty()) {
    SetLastError(finished ? ERROR_NOT_READY : ERROR_CANNOT_MAKE);
    return SP_ERROR;
  }
  return 1;
}

namespace {

// With the lock held: drops the open document of `printer`.
void AbortLocked(PrintState& state, PrinterDC* printer) {
  PrintJobRecord record = EndDocumentLocked(printer, true);
  std::string ignored;
  RunWithSystemStack([&] { FinishPdf(printer, &ignored); });
  if (record.output.empty()) unlink(printer->pdfPath.c_str());
  KeepRecordLocked(state, record);
}

}  // namespace

BOOL DeleteDC(HDC dc) {
  PrintState& state = State();
  PrinterDC* printer;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    printer = FindPrinterLocked(state, dc, "DeleteDC");
    if (printer == nullptr) return FALSE;
    if (printer->documentOpen) AbortLocked(state, printer);  // as Windows: the job is dropped
    state.printers.erase(dc);
  }
  delete printer;
  return FreeDeviceContext(dc) ? TRUE : FALSE;
}
