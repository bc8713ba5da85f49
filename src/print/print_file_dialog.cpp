// The print-to-file dialog (resource 5007): one edit control for the file
// name, "Yes" and "Cancel". It is the program's one exported function.
#include "container/catalogue.h"
#include "print/print_file.h"
#include "resource.h"

char printFileName[kPrintFileNameMax + 1];

namespace {

// A catalogue message as the text of a control (or, with id 0, of the
// dialog's title bar). This dialog's captions are the catalogue's texts as
// stored, in code page 437: unlike the program's other windows it does not
// convert them to the ANSI code page.
void SetMessageText(HWND window, int id, uint32_t message) {
  if (id == 0)
    SetWindowTextA(window, MessageText(message));
  else
    SetDlgItemTextA(window, id, MessageText(message));
}

}  // namespace

extern "C" INT_PTR CALLBACK PrtFileDlg(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetMessageText(window, IDOK, 72);      // "Yes"
      SetMessageText(window, IDCANCEL, 82);  // "&Cancel"
      SetMessageText(window, 0, 85);         // "Enter file name to print to:"
      // The name must fit its buffer; the edit control takes no more.
      SendDlgItemMessageA(window, IDC_PRINT_FILE_NAME, EM_LIMITTEXT, kPrintFileNameMax, 0);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          GetDlgItemTextA(window, IDC_PRINT_FILE_NAME, printFileName, sizeof printFileName);
          EndDialog(window, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(window, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}
