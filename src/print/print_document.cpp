// The print document kept across jobs: texts printed one after another go
// onto the same pages, below one another, until the dialog ends the
// document (before a run starts, on a stop and on quitting).
#include <cstdlib>

#include "print/print_job.h"
#include "print/print_state.h"

PrintState printState;

void ReleasePrinterChoice() {
  PRINTDLGA* record = printState.printDialog;
  if (record == nullptr) return;
  if (record->hDC != nullptr) DeleteDC(record->hDC);
  if (record->hDevMode != nullptr) GlobalFree(record->hDevMode);
  if (record->hDevNames != nullptr) GlobalFree(record->hDevNames);
  free(record);
  printState.printDialog = nullptr;
}

void EndPrintJob() {
  WaitForPrintJobs();
  if (!printState.documentOpen) return;
  HDC dc = printState.printDialog->hDC;
  EndPage(dc);
  printState.documentOpen = 0;
  EndDoc(dc);
  ReleasePrinterChoice();
}
