// One print job: which text, which printer, and whether the chosen port is
// a file.
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "print/print_job.h"
#include "print/print_state.h"

const bool kPrintingAvailable = true;

namespace {

// The free text a print button prints: 1 the label, 2 the technical data,
// 3 the message to the user; null before the texts have arrived.
const char* TextOfKind(unsigned char kind) {
  static const int kEntryOfKind[] = {-1, 0, 2, 1};
  if (kind < 1 || kind > 3 || app.freeTexts.entry == nullptr) return nullptr;
  return app.freeTexts.entry[kEntryOfKind[kind]];
}

// Shows the print dialog unless a document is open (its printer is kept).
// True when a printer DC is there to print with.
bool ChoosePrinter() {
  if (printState.printDialog != nullptr && printState.printDialog->hDC != nullptr) return true;
  printState.documentOpen = 0;
  if (printState.printDialog == nullptr) {
    printState.printDialog = static_cast<PRINTDLGA*>(calloc(1, sizeof(PRINTDLGA)));
    if (printState.printDialog == nullptr) return false;
  }
  // Set before every showing; the rest stays as the dialog left it, so the
  // dialog offers the printer chosen before.
  PRINTDLGA* record = printState.printDialog;
  record->lStructSize = sizeof(PRINTDLGA);
  record->Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  record->hwndOwner = app.mainWindow;
  record->nFromPage = 1;
  record->nToPage = 1;
  record->nMinPage = 0;
  record->nMaxPage = 1;
  record->nCopies = 1;
  // Cancelled or failed: the job ends without a word.
  if (PrintDlgA(record) != TRUE) return false;
  return record->hDC != nullptr;
}

// The output port of the chosen printer.
bool ChosenPortIsFile() {
  HGLOBAL names = printState.printDialog->hDevNames;
  if (names == nullptr) return false;
  const DEVNAMES* devNames = static_cast<const DEVNAMES*>(GlobalLock(names));
  if (devNames == nullptr) return false;
  const bool file = IsFilePort(reinterpret_cast<const char*>(devNames) + devNames->wOutputOffset);
  GlobalUnlock(names);
  return file;
}

}  // namespace

bool IsFilePort(const char* port) { return strncmp(port, "FILE", 4) == 0; }

void RunPrintJob(unsigned char kind) {
  const char* text = TextOfKind(kind);
  if (text == nullptr) return;
  if (!ChoosePrinter()) return;
  if (ChosenPortIsFile())
    PrintToFile(text);
  else
    PrintOnPrinter(text);
}
