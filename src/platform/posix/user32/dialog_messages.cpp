// Messages: SendMessageA, PostMessageA and the calls built on them
// (SendDlgItemMessageA, SetDlgItemTextA, GetDlgItemTextA, SetWindowTextA),
// InvalidateRgn, and the default handling of a dialog (its texts, icons,
// font and WM_NEXTDLGCTL).
//
// As on Windows, a message is handled on the thread that runs the window's
// dialog. SendMessageA from that thread handles it at once; from another
// thread it is queued as a sent message and the caller blocks until the
// dialog's thread has handled it in one of its modal loops (the innermost
// one, when it runs a nested dialog). A blocked sender that runs dialogs of
// its own keeps handling the messages sent to them meanwhile. Posted and
// sent messages are handled in the order they were queued.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "kernel32/standin.h"
#include "user32/dialog_dispatch.h"

void PostLocked(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ThreadQueue* queue = window->dialog->dialogRecord->queue;
  queue->messages.push_back(QueuedMessage{window, message, wParam, lParam, nullptr});
  queue->wake.notify_all();
  NoteUserChangeLocked();
}

void DispatchQueuedLocked(const QueuedMessage& queued, UserHold& hold) {
  hold.unlock();
  LRESULT result = HandleMessage(queued.window, queued.message, queued.wParam, queued.lParam);
  hold.lock();
  if (queued.sent != nullptr) {
    queued.sent->result = result;
    queued.sent->done = true;
    queued.sent->wake->notify_all();
  }
  NoteUserChangeLocked();
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DLGPROC procedure;
  {
    UserHold hold(UserLock());
    if (LiveWindow(window) == nullptr) return 0;
    if (window->dialogRecord == nullptr) {
      hold.unlock();
      return ControlMessage(window, message, wParam, lParam);
    }
    procedure = window->dialogRecord->procedure;
  }
  // A procedure that handles a message answers TRUE; the message's own
  // result would be in DWLP_MSGRESULT, which the program never sets.
  if (procedure(window, message, wParam, lParam)) return 0;
  return DefaultDialogMessage(window, message, wParam, lParam);
}

LRESULT DefaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      LRESULT result = 0;
      {
        UserHold hold(UserLock());
        if (LiveWindow(dialog) == nullptr) return 0;
        if (message == WM_SETTEXT) {
          dialog->text = lParam != 0 ? (const char*)lParam : "";
          NoteUserChangeLocked();
          result = TRUE;
        } else if (message == WM_GETTEXTLENGTH) {
          return LRESULT(dialog->text.size());
        } else {
          size_t size = size_t(wParam);
          if (size == 0 || lParam == 0) return 0;
          size_t length = std::min(dialog->text.size(), size - 1);
          memcpy((char*)lParam, dialog->text.data(), length);
          ((char*)lParam)[length] = '\0';
          return LRESULT(length);
        }
      }
      NotifyControlChanged(dialog);
      return result;
    }
    case WM_SETICON: {
      UserHold hold(UserLock());
      if (LiveWindow(dialog) == nullptr) return 0;
      if (wParam != ICON_BIG && wParam != ICON_SMALL) StandInUnsupported("WM_SETICON", "an icon kind other than ICON_BIG and ICON_SMALL");
      HICON& icon = wParam == ICON_BIG ? dialog->dialogRecord->bigIcon : dialog->dialogRecord->smallIcon;
      HICON previous = icon;
      icon = (HICON)lParam;
      return LRESULT(previous);
    }
    case WM_SETFONT: {
      UserHold hold(UserLock());
      if (LiveWindow(dialog) != nullptr) dialog->font = (HFONT)wParam;
      return 0;
    }
    case WM_NEXTDLGCTL: {
      // The dialog moves its focus: with a nonzero lParam, to the control
      // wParam names (which must be one of the dialog's), selecting an
      // edit's text as Tab does.
      if (LOWORD(lParam) == 0) StandInUnsupported("WM_NEXTDLGCTL", "the next or previous tab stop (lParam 0)");
      HWND control = (HWND)wParam;
      {
        UserHold hold(UserLock());
        if (LiveWindow(dialog) == nullptr || !WindowIsLive(control) || control->dialog != dialog) return 0;
      }
      DialogSetFocus(control);
      return 0;
    }
    case WM_INITDIALOG:
    case WM_COMMAND:
    case WM_ENABLE:
    case WM_PAINT:  // the stand-in draws nothing of its own
      return 0;
  }
  if (message >= WM_USER) return 0;  // the program's own messages
  char what[64];
  snprintf(what, sizeof what, "message 0x%04X to a dialog", message);
  StandInUnsupported("SendMessageA", what);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  if (found == nullptr) return 0;
  ThreadQueue* target = found->dialog->dialogRecord->queue;
  if (target->thread == std::this_thread::get_id()) {
    hold.unlock();
    return HandleMessage(window, message, wParam, lParam);
  }
  ThreadQueue* own = CurrentQueue(false);
  std::condition_variable wake;
  SentMessage sent;
  sent.wake = own != nullptr ? &own->wake : &wake;
  target->messages.push_back(QueuedMessage{window, message, wParam, lParam, &sent});
  target->wake.notify_all();
  NoteUserChangeLocked();
  while (!sent.done) {
    if (own != nullptr) {
      // Messages sent to this thread's own dialogs are handled while it
      // waits, so that two threads sending to each other do not lock up.
      auto incoming = own->messages.begin();
      while (incoming != own->messages.end() && incoming->sent == nullptr) ++incoming;
      if (incoming != own->messages.end()) {
        QueuedMessage queued = *incoming;
        own->messages.erase(incoming);
        DispatchQueuedLocked(queued, hold);
        continue;
      }
    }
    sent.wake->wait(hold);
  }
  if (sent.windowGone) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return sent.result;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr) StandInUnsupported("PostMessageA", "a message to the thread (a null window)");
  UserHold hold(UserLock());
  if (LiveWindow(window) == nullptr) return FALSE;
  PostLocked(window, message, wParam, lParam);
  return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return 0;
  return SendMessageA(item, message, wParam, lParam);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return FALSE;
  return BOOL(SendMessageA(item, WM_SETTEXT, 0, LPARAM(text)));
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (text != nullptr && size > 0) text[0] = '\0';
    return 0;
  }
  return UINT(SendMessageA(item, WM_GETTEXT, WPARAM(size > 0 ? size : 0), LPARAM(text)));
}

BOOL SetWindowTextA(HWND window, LPCSTR text) { return BOOL(SendMessageA(window, WM_SETTEXT, 0, LPARAM(text))); }

BOOL InvalidateRgn(HWND window, HRGN region, BOOL) {
  if (region != nullptr) StandInUnsupported("InvalidateRgn", "a region (only the whole window)");
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  if (found == nullptr) return FALSE;
  if (found->dialogRecord == nullptr) StandInUnsupported("InvalidateRgn", "a control");
  // One WM_PAINT however often the dialog is invalidated; its thread
  // delivers it when the queue holds nothing else, as Windows does.
  found->dialogRecord->paintPending = true;
  found->dialogRecord->queue->wake.notify_all();
  NoteUserChangeLocked();
  return TRUE;
}
