// How a message reaches a window of the stand-in's dialog manager: queued
// for the thread that runs the window's dialog, then handled there by the
// dialog's procedure (with the default dialog handling after it) or by the
// control's built-in behaviour. Internal to dialog*.cpp and window*.cpp.
#ifndef ZOLT_PLATFORM_POSIX_DIALOG_DISPATCH_H
#define ZOLT_PLATFORM_POSIX_DIALOG_DISPATCH_H

#include "user32/modal_dialog.h"
#include "user32/window.h"

// On the window's own thread, without the lock: the whole handling of one
// message. A dialog's procedure sees it first; when the procedure returns
// FALSE the default dialog handling follows. A control handles it itself.
LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The built-in behaviour of the controls (window_controls.cpp) and the
// default handling of a dialog (dialog_messages.cpp); same conditions.
LRESULT ControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// With the lock held: appends a posted message to the queue of the thread
// that runs `window` (a live window) and wakes that thread.
void PostLocked(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// With the lock held through `hold`: handles one message taken from a
// queue, releasing the lock meanwhile, and answers its sender if it was
// sent.
void DispatchQueuedLocked(const QueuedMessage& queued, UserHold& hold);

#endif
