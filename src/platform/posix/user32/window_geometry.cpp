// Window geometry: a fixed 1024 x 768 screen, dialogs measured in pixels
// from their templates, GetSystemMetrics, GetWindowRect, GetClientRect and
// SetWindowPos.
//
// The numbers, chosen to be those of a classic Windows desktop:
// - Dialog units to pixels with the base units of an 8-point "Helv" font,
//   6 x 13 pixels per 4 x 8 dialog units: x = dlu * 6 / 4, y = dlu * 13 / 8,
//   fractions dropped. Every dialog uses them, whatever its FONT line: the
//   stand-in draws no text.
// - A dialog's template size is its client area. Around it: a frame of 3
//   pixels on every side, and a caption bar of 19 pixels above the client
//   area when the dialog has WS_CAPTION. The main dialog's client area of
//   319 x 204 units is 478 x 331 pixels; its window 484 x 356.
// - A control's client area is its window less its edges: 1 pixel for
//   WS_BORDER, 2 for WS_EX_CLIENTEDGE, 1 for WS_EX_STATICEDGE, on each side.
//   Scroll bars take no room.
// - A DS_CENTER dialog is centred on the screen; another one is placed
//   with its client area at the template's position, counted from the
//   owner's client area (from the screen's corner without an owner).
#include "kernel32/standin.h"
#include "user32/window.h"

namespace {

const int kScreenWidth = 1024;
const int kScreenHeight = 768;
const int kFrame = 3;
const int kCaption = 19;

int CaptionHeight(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0; }

// Left, top, right and bottom widths between a window and its client area.
RECT Insets(HWND window) {
  if (window->dialogRecord != nullptr) return RECT{kFrame, kFrame + CaptionHeight(window->style), kFrame, kFrame};
  LONG edge = 0;
  if (window->style & WS_BORDER) edge += 1;
  if (window->exStyle & WS_EX_CLIENTEDGE) edge += 2;
  if (window->exStyle & WS_EX_STATICEDGE) edge += 1;
  return RECT{edge, edge, edge, edge};
}

// The screen position of a dialog's client area.
POINT ClientOrigin(HWND dialog) {
  RECT insets = Insets(dialog);
  return POINT{dialog->windowRect.left + insets.left, dialog->windowRect.top + insets.top};
}

}  // namespace

RECT NewDialogWindowRect(const DialogTemplate& dialog, HWND owner) {
  int width = HorizontalPixels(dialog.cx) + 2 * kFrame;
  int height = VerticalPixels(dialog.cy) + 2 * kFrame + CaptionHeight(dialog.style);
  int left, top;
  if (dialog.style & DS_CENTER) {
    left = (kScreenWidth - width) / 2;
    top = (kScreenHeight - height) / 2;
  } else {
    POINT origin{0, 0};
    if (WindowIsLive(owner)) origin = ClientOrigin(owner->dialog);
    left = origin.x + HorizontalPixels(dialog.x) - kFrame;
    top = origin.y + VerticalPixels(dialog.y) - kFrame - CaptionHeight(dialog.style);
  }
  return RECT{left, top, left + width, top + height};
}

RECT ClientRectOf(HWND window) {
  RECT insets = Insets(window);
  LONG width = window->windowRect.right - window->windowRect.left - insets.left - insets.right;
  LONG height = window->windowRect.bottom - window->windowRect.top - insets.top - insets.bottom;
  return RECT{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return kScreenWidth;
  if (index == SM_CYSCREEN) return kScreenHeight;
  StandInUnsupported("GetSystemMetrics", "an index other than SM_CXSCREEN and SM_CYSCREEN");
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  if (found == nullptr) return FALSE;
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *rect = found->windowRect;
  if (found->dialogRecord == nullptr) {  // a control: from its dialog's client area to the screen
    POINT origin = ClientOrigin(found->dialog);
    rect->left += origin.x;
    rect->right += origin.x;
    rect->top += origin.y;
    rect->bottom += origin.y;
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  if (found == nullptr) return FALSE;
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *rect = ClientRectOf(found);
  return TRUE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (flags & ~UINT(SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER))
    StandInUnsupported("SetWindowPos", "flags other than SWP_NOSIZE, SWP_NOMOVE and SWP_NOZORDER");
  if (insertAfter != HWND_TOP && !(flags & SWP_NOZORDER))
    StandInUnsupported("SetWindowPos", "a place in the Z order other than HWND_TOP");
  {
    UserHold hold(UserLock());
    HWND found = LiveWindow(window);
    if (found == nullptr) return FALSE;
    RECT& r = found->windowRect;
    if (!(flags & SWP_NOSIZE)) {
      r.right = r.left + cx;
      r.bottom = r.top + cy;
    }
    if (!(flags & SWP_NOMOVE)) {
      LONG width = r.right - r.left, height = r.bottom - r.top;
      r = RECT{x, y, x + width, y + height};
    }
    NoteUserChangeLocked();
  }
  NotifyControlChanged(window);
  return TRUE;
}
