// A modal dialog of the stand-in's own (the print dialog), run by the
// dialog manager as it runs the program's dialogs, so that every front end
// shows it and answers it the same way. The interface of user32/ for the
// dialogs of other folders, which parse their template from a resource
// script text of their own (resource_script.h).
#ifndef ZOLT_PLATFORM_POSIX_MODAL_DIALOG_H
#define ZOLT_PLATFORM_POSIX_MODAL_DIALOG_H

#include "platform/posix/windows.h"
#include "user32/resource_script.h"

// DialogBoxParamA's work once the template is found: creates the dialog,
// sends WM_INITDIALOG with `parameter` and runs the modal loop on the
// calling thread until EndDialog, whose result it returns (0, as on
// Windows, for an owner that is not a live window). `dialogTemplate` must
// outlive the dialog.
INT_PTR RunModalDialog(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure, LPARAM parameter);

#endif
