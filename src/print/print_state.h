// What the print jobs keep between them, and the steps one job is made of.
// Internal to src/print. Only one job runs at a time (see print_thread.cpp),
// and EndPrintJob waits for it, so the state needs no lock.
#ifndef ZOLT_PRINT_PRINT_STATE_H
#define ZOLT_PRINT_PRINT_STATE_H

#include "platform/win32.h"

struct PrintState {
  PRINTDLGA* printDialog;  // the print dialog's record, zero-filled at first
                           // use; keeps the printer choice (hDevMode,
                           // hDevNames) and, while a document is open, its DC
  int documentOpen;        // StartDocA done, EndDoc not yet
  int y;                   // where the next line goes on the open page, pixels
  HANDLE lastJob;          // the print thread started last; the next job and
                           // EndPrintJob wait for it (dialog thread only)
};

extern PrintState printState;

// The thread of one press: waits for the job before it, then prints.
DWORD WINAPI PrintThread(LPVOID parameter);

// One job, on its print thread: the text of `kind`, the printer choice
// (the print dialog, unless a document is open), then the printer or the
// file port.
void RunPrintJob(unsigned char kind);

// A port whose name begins with "FILE" (in capitals) is a file port: the
// text goes to a file the user names, not through the printer.
bool IsFilePort(const char* port);

// Prints `text` on the chosen printer, into the open document or a new
// one, which stays open for the next job.
void PrintOnPrinter(const char* text);

// The file port: asks for a file name and appends `text` to that file.
void PrintToFile(const char* text);

// Deletes the printer DC and frees the printer choice and the dialog's
// record: the next job shows the print dialog again.
void ReleasePrinterChoice();

// On the dialog's thread: waits until every print job started so far has
// ended, handling meanwhile the messages other threads send to its windows.
void WaitForPrintJobs();

#endif
