// Indexing the text tables of the text block, and message lookup.
#include "container/catalogue.h"

#include <cstdlib>

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
