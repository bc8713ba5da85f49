// The yes/no question (dialog 5003): two texts, "Yes" and "No", "No" the
// default. Asked before writing to a drive other than A: and before stopping
// a running restore.
#ifndef ZOLT_UI_CONFIRM_DIALOG_H
#define ZOLT_UI_CONFIRM_DIALOG_H

#include "platform/win32.h"

// Runs the question modally over `owner` with `first` above and `second`
// below (texts in code page 437, shown converted; the texts themselves are
// not changed). Returns 1 for "Yes", 0 for "No", and 0 also when the dialog
// cannot be shown: nobody said yes.
INT_PTR AskConfirmation(HWND owner, const char* first, const char* second);

INT_PTR CALLBACK ConfirmDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
