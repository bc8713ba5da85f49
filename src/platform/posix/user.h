// User interface of the POSIX stand-in: modal dialogs built from the
// program's resource script, their controls and messages, message boxes and
// the OEM code page. Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_USER_H
#define ZOLT_PLATFORM_POSIX_USER_H

struct HICON__;
typedef HICON__* HICON;
struct HMENU__;
typedef HMENU__* HMENU;

typedef INT_PTR(CALLBACK* DLGPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)((WORD)(i)))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
typedef uintptr_t DWORD_PTR;

// Window messages
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_SETICON 0x0080
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_USER 0x0400
#define WM_APP 0x8000
#define ICON_SMALL 0
#define ICON_BIG 1

// Notification codes in the high word of WM_COMMAND's wParam
#define BN_CLICKED 0
#define CBN_SELCHANGE 1

// List box
#define LB_ERR (-1)
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_GETTOPINDEX 0x018E
#define LB_SETHORIZONTALEXTENT 0x0194
#define LB_SETTOPINDEX 0x0197
// Combo box
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_SETCURSEL 0x014E
// Edit
#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_CLIENTEDGE 0x00000200L
// Dialog styles
#define DS_3DLOOK 0x0004L
#define DS_SETFONT 0x0040L
#define DS_MODALFRAME 0x0080L
#define DS_CENTER 0x0800L
// Control styles
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define ES_LEFT 0x0000L
#define ES_PASSWORD 0x0020L
#define ES_AUTOHSCROLL 0x0080L
#define ES_OEMCONVERT 0x0400L
#define SS_LEFT 0x00000000L
#define SS_ICON 0x00000003L
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_SORT 0x0100L
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_NOINTEGRALHEIGHT 0x0100L

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// System menu
#define MF_BYCOMMAND 0x00000000L
#define SC_MOVE 0xF010
#define SC_CLOSE 0xF060

// GetSystemMetrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// SetWindowPos
#define HWND_TOP ((HWND)0)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004

// Errors of the window manager (winerror.h)
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_INVALID_MENU_HANDLE 1401
#define ERROR_CONTROL_ID_NOT_FOUND 1421
#define ERROR_MENU_ITEM_NOT_FOUND 1456
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

// Message box results and buttons beyond those in windows.h
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONASTERISK 0x00000040L
#define IDYES 6
#define IDNO 7

// Dialogs. DialogBoxParamA builds the dialog from the program's resource
// script and runs it modally on the calling thread until EndDialog.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size);
BOOL SetWindowTextA(HWND window, LPCSTR text);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus(void);
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
HMENU GetSystemMenu(HWND window, BOOL revert);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
int GetSystemMetrics(int index);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags);

// Waiting for a kernel object while handling the messages that other
// threads send to the calling thread's windows. The subset: one object,
// no time limit, waking for sent messages (QS_SENDMESSAGE) only; and a
// PeekMessageA over the whole queue that handles the sent messages and
// leaves the posted ones (PM_NOREMOVE).
#define QS_SENDMESSAGE 0x0040
#define PM_NOREMOVE 0x0000
typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);
BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove);

// Code pages: OEM (437) to ANSI (1252) and back, as Windows converts them;
// source and destination may be the same buffer.
BOOL OemToCharA(LPCSTR source, LPSTR destination);
BOOL CharToOemA(LPCSTR source, LPSTR destination);

#endif
