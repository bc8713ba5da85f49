// The main dialog (5006): the program's only window. It shows the message
// list and the progress bar, lets the user choose the drive, type the
// password, start a restore or a check, stop it, print the free texts, list
// the usage and quit. It never waits for the worker.
#ifndef ZOLT_UI_MAIN_DIALOG_H
#define ZOLT_UI_MAIN_DIALOG_H

#include "platform/win32.h"

// Posted by the output sink when the password row is shown: the dialog
// gives the password field the keyboard focus on its own thread.
const UINT kFocusPasswordMessage = WM_APP;

INT_PTR CALLBACK MainDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
