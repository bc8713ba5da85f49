// The confirmation dialog.
#include "ui/confirm_dialog.h"

#include <cstdio>

#include "app/app_state.h"
#include "container/catalogue.h"
#include "resource.h"

namespace {

struct Question {
  const char* first;
  const char* second;
};

// Converts a catalogue text into a scratch buffer of the dialog thread and
// sets it as a control's text; the catalogue entry stays as stored.
void SetConvertedText(HWND dialog, int id, const char* text) {
  char converted[1024];
  snprintf(converted, sizeof converted, "%s", text);
  OemToCharA(converted, converted);
  SetDlgItemTextA(dialog, id, converted);
}

}  // namespace

INT_PTR CALLBACK ConfirmDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const Question* question = (const Question*)lParam;
      SetConvertedText(dialog, IDC_QUESTION_TOP, question->first);
      SetConvertedText(dialog, IDC_QUESTION_BOTTOM, question->second);
      // The buttons and the title are shown as stored.
      SetDlgItemTextA(dialog, IDOK, MessageText(72));
      SetDlgItemTextA(dialog, IDC_NO, MessageText(73));
      SetWindowTextA(dialog, MessageText(64));
      // The focus on "No": left to the dialog manager it would go to the
      // first tab stop, "Yes", and Windows makes a focused push button the
      // one Enter presses. Returning 0 keeps this focus.
      SetFocus(GetDlgItem(dialog, IDC_NO));
      return 0;
    }
    case WM_COMMAND:
      // The whole parameter decides: identifier and notification together.
      if (wParam == IDC_NO || wParam == IDCANCEL)
        EndDialog(dialog, 0);
      else if (wParam == IDOK)
        EndDialog(dialog, 1);
      return 0;
    default:
      return 0;
  }
}

INT_PTR AskConfirmation(HWND owner, const char* first, const char* second) {
  Question question = {first, second};
  INT_PTR answer = DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_CONFIRM_DIALOG), owner, ConfirmDialog,
                                   (LPARAM)&question);
  // A question that could not be shown (-1) was answered by nobody: "No".
  return answer == 1 ? 1 : 0;
}
