// printing/ stands in for the printing part of comdlg32.dll and gdi32.dll:
// the print dialog (PrintDlgA), printer DCs and their documents, drawn with
// cairo into PDFs handed to CUPS, whose libraries are loaded on first use.
// Other folders reach it only through the platform's calls (commdlg.h,
// gdi.h). It uses kernel32/standin.h, gdi32/gdi_record.h,
// user32/modal_dialog.h and user32/window.h.
//
// Internal interface of the stand-in's printing: the destinations the print
// dialog offers (print_destinations.cpp), the printer DCs it returns and the
// documents drawn on them (print_document.cpp), and the record of the
// documents that ended, for the tests.
//
// A destination is a printer of the local CUPS server, or the file port
// "FILE:", which is always offered: on Windows a printer attached to the
// FILE: port asks for a file name when a document starts; the program
// writes such files itself and never draws on that port's DC.
#ifndef ZOLT_PLATFORM_POSIX_PRINTING_H
#define ZOLT_PLATFORM_POSIX_PRINTING_H

#include <functional>
#include <string>
#include <vector>

#include "gdi32/gdi_record.h"
#include "platform/posix/windows.h"

// The name and port of the file port.
extern const char kFilePortName[];

struct PrintDestination {
  std::string name;  // the device name: a CUPS destination ("printer" or "printer/instance"), or "FILE:"
  std::string port;  // the output port: a CUPS printer's device URI, or "FILE:"
  bool isDefault;    // the CUPS server's (or the user's) default destination
  bool filePort;
  // The default medium: the page and its unprintable margins, in
  // hundredths of a millimetre (CUPS's unit); and the default resolution.
  int pageWidth, pageLength;
  int marginLeft, marginTop, marginRight, marginBottom;
  int dpiX, dpiY;
};

// The destinations to offer: the printers of the CUPS server that the
// environment names (CUPS_SERVER, the client settings; read again on each
// call), in its order, then the file port. When no server answers (or
// libcups cannot be loaded), the file port alone.
std::vector<PrintDestination> ListPrintDestinations();

// What GetDeviceCaps tells of a destination: its printable area.
GdiDeviceCaps DestinationCaps(const PrintDestination& destination);

// A printer DC for `destination` whose documents are printed `copies`
// times by the printer (DEVMODEA's dmCopies); freed with DeleteDC. Null
// for a CUPS printer when cairo cannot be loaded (print_libraries.h).
HDC NewPrinterDC(const PrintDestination& destination, int copies);

// A print document that ended (EndDoc, or DeleteDC in the middle of one).
struct PrintJobRecord {
  std::string destination;  // the device name
  std::string title;        // DOCINFOA's lpszDocName, UTF-8
  int pages;                // pages ended with EndPage
  int copies;               // copies asked of the printer
  std::string output;       // DOCINFOA's lpszOutput: the PDF was written there instead
  int jobId;                // the CUPS job it became; 0 when none
  bool aborted;             // DeleteDC before EndDoc
  std::string error;        // why it could not be rendered or handed over; empty when it was
};

// Returns the documents ended since the last call and forgets them.
std::vector<PrintJobRecord> TakePrintJobRecord();

// Runs `work` on a thread with the host's ordinary stack and waits for it
// (print_system_stack.cpp): every call into libcups or cairo, and their
// loading, goes through it. The last error is the caller's to set afterwards.
void RunWithSystemStack(const std::function<void()>& work);

#endif
