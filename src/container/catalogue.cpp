// Indexing the text tables of the text block, and message lookup.
#include "container/catalogue.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"

namespace {
// Shared by every missing entry. It is only ever written with its own NUL.
char emptyText[1];
}  // namespace

void IndexTextTable(TextTable* table) {
  uint32_t n = 0;
  if (table->count > 0) table->entry[n++] = table->area;
  for (uint32_t j = 0; j < table->areaLength && n < table->count; ++j)
    if (table->area[j] == '\0') table->entry[n++] = table->area + j + 1;
  // A string started at the very end of the area is the NUL we added there;
  // entries beyond the area's strings are empty texts.
  for (; n < table->count; ++n) table->entry[n] = emptyText;
}

void FreeTextTable(TextTable* table) {
  free(table->entry);
  free(table->area);
  table->entry = nullptr;
  table->area = nullptr;
  table->count = 0;
  table->areaLength = 0;
}

char* MessageText(uint32_t n) {
  if (app.messages.entry == nullptr || n >= app.messages.count) {
    emptyText[0] = '\0';
    return emptyText;
  }
  return app.messages.entry[n];
}

bool PlaceholdersMatch(const char* text, const char* conversions) {
  const char* expected = conversions;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p != '\0' && strchr("-+ #0", *p) != nullptr) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    // The only modifier taken is one "l", and only where the caller said
    // so; "ll", "h", "hh", "L", "j", "z", "t", "q", "I64", "w" are refused
    // by the comparisons below.
    const bool isLong = *p == 'l';
    if (isLong) ++p;
    const bool wantLong = *expected == 'l';
    if (wantLong) ++expected;
    if (isLong != wantLong) return false;
    if (*p == '\0' || *expected == '\0' || *p != *expected) return false;
    ++expected;
  }
  return *expected == '\0';
}

void FormatMessageText(char* buffer, int size, uint32_t n, const char* conversions, ...) {
  const char* text = MessageText(n);
  if (!PlaceholdersMatch(text, conversions)) {
    snprintf(buffer, size_t(size), "%s", text);
    return;
  }
  va_list arguments;
  va_start(arguments, conversions);
  vsnprintf(buffer, size_t(size), text, arguments);
  va_end(arguments);
}
