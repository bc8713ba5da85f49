// MessageBoxA: shown by the front end in use (in line mode, "caption: text"
// on standard error, acknowledged at once).
#include "front_ends/front_end.h"
#include "platform/posix/windows.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return CurrentFrontEnd()->messageBox(owner, text, caption, type);
}
