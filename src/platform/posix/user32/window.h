// user32/ stands in for user32.dll: the windows and controls, dialogs and
// their message loop, message boxes, the resource script the dialogs are
// built from, code pages and text. Its interface for the other folders:
// this header (the window records, under UserLock), dialog_input.h (a
// person's keys and clicks, for the front ends) and modal_dialog.h (a
// dialog of the stand-in's own). It uses kernel32/standin.h,
// kernel32/handles.h, kernel32/kernel_sync.h and front_ends/front_end.h.
//
// Windows of the stand-in's dialog manager: the records behind HWND, HMENU
// and HICON, the per-thread message queues, and the one lock over all of
// them. Internal to the stand-in (dialog*.cpp, window*.cpp, the front ends)
// and readable by tests; the program sees only the opaque handles.
//
// A window is a dialog or one of its controls. A handle is the address of
// its record, valid from DialogBoxParamA's creation of the dialog until
// DialogBoxParamA returns; every call checks it against the registry of
// live windows under the lock, so a stale handle fails with
// ERROR_INVALID_WINDOW_HANDLE instead of touching freed memory.
//
// Each dialog belongs to the thread that runs it, and all dialogs of a
// thread share that thread's queue. The lock is never held while a dialog
// procedure or a front end runs.
#ifndef ZOLT_PLATFORM_POSIX_WINDOW_H
#define ZOLT_PLATFORM_POSIX_WINDOW_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/windows.h"
#include "user32/resource_script.h"

struct ThreadQueue;
struct KernelWaiter;

struct HICON__ {
  int id;  // the icon resource
};

// A system menu: the commands it still holds.
struct HMENU__ {
  HWND owner;
  std::vector<UINT> commands;
};

// What only a dialog has.
struct DialogRecord {
  DLGPROC procedure;
  HWND owner;                      // as given to DialogBoxParamA; may be null
  std::vector<HWND> controls;      // template order
  ThreadQueue* queue;              // of the thread running the dialog
  bool ended = false;              // EndDialog was called
  INT_PTR result = 0;              // EndDialog's result
  bool paintPending = false;       // InvalidateRgn since the last WM_PAINT
  HMENU systemMenu = nullptr;      // made on the first GetSystemMenu
  HICON bigIcon = nullptr;         // WM_SETICON
  HICON smallIcon = nullptr;
  HWND previousFocus = nullptr;    // the thread's focus before the dialog; given back at its end
};

struct HWND__ {
  HWND dialog;                     // the dialog holding this window; itself for a dialog
  const DialogTemplate* dialogTemplate;    // for a dialog; null for a control
  const ControlTemplate* controlTemplate;  // for a control; null for a dialog
  ControlClass controlClass;       // meaningful for a control
  int id;                          // control id; 0 for a dialog
  DWORD style;
  DWORD exStyle;
  std::string text;                // caption or edit text, Windows-1252 bytes
  RECT unitRect;                   // template position and size in dialog units
  RECT windowRect;                 // pixels: screen for a dialog, the dialog's client area for a control
  bool enabled;                    // not WS_DISABLED
  bool visible;                    // WS_VISIBLE
  HFONT font = nullptr;            // WM_SETFONT, kept
  // List box and combo box.
  std::vector<std::string> items;
  int topIndex = 0;                // LB_SETTOPINDEX
  int horizontalExtent = 0;        // LB_SETHORIZONTALEXTENT
  int selection = -1;              // CB_SETCURSEL
  // Edit.
  int limit = 30000;               // EM_LIMITTEXT; the most a user can type
  int selectFrom = 0;              // EM_SETSEL: the selected characters [selectFrom, selectTo);
  int selectTo = 0;                // equal for none. Typing replaces them.
  DialogRecord* dialogRecord;      // for a dialog; null for a control
};

// One entry of a thread's queue: a posted message, or a message sent from
// another thread whose sender waits for `sent->done`.
struct SentMessage {
  LRESULT result = 0;
  bool done = false;
  bool windowGone = false;         // the window was destroyed before its thread handled it
  std::condition_variable* wake;   // the sender's
};

struct QueuedMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  SentMessage* sent;               // null for a posted message
};

struct ThreadQueue {
  std::thread::id thread;
  std::deque<QueuedMessage> messages;
  std::condition_variable wake;    // a message, an EndDialog, a paint, a reply
  std::vector<HWND> dialogs;       // the dialogs running on the thread, innermost last
  int loops = 0;                   // modal loops running
  bool waiting = false;            // blocked in a modal loop for want of messages (or in
                                   // MsgWaitForMultipleObjects)
  HWND focus = nullptr;            // the thread's keyboard focus
  uint64_t createdThread = 0;      // the thread's serial when CreateThread started it (kernel_sync.h), else 0
  KernelWaiter* objectWait = nullptr;  // MsgWaitForMultipleObjects: its wait on the object, meanwhile
};

// The lock over every record above and the registry.
std::mutex& UserLock();
typedef std::unique_lock<std::mutex> UserHold;

// With the lock held: the record of a live window, or null after setting
// ERROR_INVALID_WINDOW_HANDLE. WindowIsLive leaves the last error alone.
HWND LiveWindow(HWND window);
bool WindowIsLive(HWND window);
// With the lock held: the calling thread's queue; made when `create`.
ThreadQueue* CurrentQueue(bool create);

// With the lock held: registers and unregisters windows.
void RegisterWindow(HWND window);
void UnregisterWindow(HWND window);

// The dialogs shown and not yet ended, on every thread, in the order they
// were shown (the last one is on top). With the lock held.
std::vector<HWND>& ShownDialogs();

// Something a front end may want to look at again changed: a window's
// text, state, items or focus; a dialog shown or ended; a thread starting
// or stopping to wait in its modal loop. With the lock held; wakes
// WaitForUserChange.
void NoteUserChangeLocked();
uint64_t UserChangeCount();
// Returns when the change count differs from `seen`, or after
// `milliseconds`, whichever comes first.
void WaitForUserChange(uint64_t seen, int milliseconds);

// A dialog's own way of giving a control the focus (WM_NEXTDLGCTL, a
// dialog's first focus): an edit control gets its whole text selected, so
// that what is typed next replaces it, then SetFocus. Without the lock.
void DialogSetFocus(HWND control);

// Tells the front end that `window` changed (text, state, items, focus).
// Without the lock.
void NotifyControlChanged(HWND window);

// Pixels for dialog units: the stand-in measures every dialog with the base
// units of an 8-point "Helv", 6 x 13 pixels for 4 x 8 dialog units.
inline int HorizontalPixels(int units) { return units * 6 / 4; }
inline int VerticalPixels(int units) { return units * 13 / 8; }

// Window geometry, with the lock held: the window rectangle of a new dialog
// from its template (centred with DS_CENTER, else placed relative to its
// owner's client area), and the client rectangle of any window.
RECT NewDialogWindowRect(const DialogTemplate& dialog, HWND owner);
RECT ClientRectOf(HWND window);

#endif
