// MessageBoxA: the caption and the text on stderr, in UTF-8; the box is
// acknowledged at once.
#include <cstdio>

#include "platform/posix/standin.h"
#include "platform/posix/windows.h"

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  fprintf(stderr, "%s: %s\n", AnsiToUtf8(caption ? caption : "Error").c_str(),
          AnsiToUtf8(text ? text : "").c_str());
  fflush(stderr);
  return IDOK;
}
