// The file port: the dialog that asks for the name of the file to print to,
// and the file's format (the text as it stands and CR LF, per copy,
// appended to what the file holds).
#ifndef ZOLT_PRINT_PRINT_FILE_H
#define ZOLT_PRINT_PRINT_FILE_H

#include "platform/win32.h"

constexpr int kPrintFileNameMax = 255;

// The name typed into the print-to-file dialog.
extern char printFileName[kPrintFileNameMax + 1];

// The procedure of the print-to-file dialog: ends it with 1 when the user
// confirms, the name in printFileName, and with 0 when the user cancels.
// The program's one exported function.
extern "C" INT_PTR CALLBACK PrtFileDlg(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Appends `copies` copies of `text`, each followed by CR LF, to the file
// `name`, creating it if need be. False when the file cannot be opened.
bool AppendCopiesToFile(const char* name, const char* text, int copies);

#endif
