// Adding lines to the message list.
#include "ui/message_list.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "container/catalogue.h"
#include "resource.h"

namespace {

void InsertLine(const char* line) {
  // LB_INSERTSTRING at -1 appends without sorting; scrolling to the index it
  // returns keeps the newest line in view. A failed insertion returns an
  // error value that LB_SETTOPINDEX ignores.
  LRESULT index = SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_INSERTSTRING, (WPARAM)-1,
                                      (LPARAM)line);
  SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_SETTOPINDEX, (WPARAM)index, 0);
}

bool IsAsciiAlphanumeric(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

void AppendListLine(char* text) {
  OemToCharA(text, text);
  char line[kListLineMax + 1];
  int n = 0;
  for (const char* p = text; *p != '\0' && n < kListLineMax; ++p)
    if (*p != '\n') line[n++] = *p;
  line[n] = '\0';
  InsertLine(line);
}

void AppendListText(char* text) {
  OemToCharA(text, text);
  size_t length = strlen(text);
  if (length == 0) return;
  // Each thread that lists a text works in a buffer of its own.
  char* line = (char*)malloc(length + 1);
  if (line == nullptr) return;
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = (unsigned char)text[i];
    if (c == '\n') {
      if (n > 0 && !IsAsciiAlphanumeric((unsigned char)line[n - 1])) --n;
      line[n] = '\0';
      InsertLine(line);
      n = 0;
    } else if (i + 1 == length) {
      line[n++] = char(c);
      line[n] = '\0';
      InsertLine(line);
    } else {
      line[n++] = char(c);
    }
  }
  free(line);
}

void AppendListMessage(char* buffer, int size, uint32_t n, const char* conversions, ...) {
  const char* text = MessageText(n);
  if (PlaceholdersMatch(text, conversions)) {
    va_list arguments;
    va_start(arguments, conversions);
    vsnprintf(buffer, size_t(size), text, arguments);
    va_end(arguments);
  } else {
    snprintf(buffer, size_t(size), "%s", text);
  }
  AppendListLine(buffer);
}
