// Printing to a file port: the file name from the print-to-file dialog, the
// text appended to that file, and the printer choice released again (a file
// port keeps no document open).
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "container/catalogue.h"
#include "print/print_file.h"
#include "print/print_state.h"
#include "resource.h"

namespace {

// Message 27 "Cannot open %s" with the name, in the print thread's own
// buffer. The catalogue's text is converted to the ANSI code page before
// the name, which already is ANSI, goes into it.
void ShowCannotOpen(const char* name) {
  char format[256];
  char text[512];
  snprintf(format, sizeof format, "%s", MessageText(27));
  OemToCharA(format, format);
  if (PlaceholdersMatch(format, "s"))
    snprintf(text, sizeof text, format, name);
  else
    snprintf(text, sizeof text, "%s", format);
  MessageBoxA(app.mainWindow, text, "ZOLT", MB_ICONHAND);
}

}  // namespace

bool AppendCopiesToFile(const char* name, const char* text, int copies) {
  FILE* file = fopen(name, "ab");
  if (file == nullptr) return false;
  const size_t length = strlen(text);
  for (int copy = 0; copy < copies; ++copy) {
    fwrite(text, 1, length, file);
    fwrite("\r\n", 1, 2, file);
  }
  fclose(file);
  return true;
}

void PrintToFile(const char* text) {
  printState.documentOpen = 0;
  const INT_PTR confirmed = DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_PRINT_FILE_DIALOG),
                                            app.mainWindow, PrtFileDlg, 0);
  if (confirmed == 1 && !AppendCopiesToFile(printFileName, text, printState.printDialog->nCopies))
    ShowCannotOpen(printFileName);
  ReleasePrinterChoice();
}
