// Tables of NUL-terminated texts as the container's text block carries them:
// the message catalogue (record 0x80) and the four free texts (record 0x02).
// A record holds a count and a string area; text n is the n-th string of the
// area. Texts are bytes in code page 437.
#ifndef ZOLT_CONTAINER_CATALOGUE_H
#define ZOLT_CONTAINER_CATALOGUE_H

#include <cstdint>

struct TextTable {
  char** entry;         // `count` pointers into `area`
  uint32_t count;
  char* area;           // the string area, with one NUL of our own after it
  uint32_t areaLength;  // bytes of the string area as the record gives them
};

// Indexes `table->area` (areaLength bytes followed by a NUL) into its
// `count` entries: entry 0 is the start of the area and each NUL at offset j
// gives the next entry offset j + 1. Entries for which the area holds no
// string point at an empty text.
void IndexTextTable(TextTable* table);

// Frees the entries and the area and clears the table.
void FreeTextTable(TextTable* table);

// Message n of the catalogue in memory; an empty text for a number at or
// beyond the catalogue's count, or before the catalogue has arrived. The
// list operations convert the text they are given in place, so the result
// is writable.
char* MessageText(uint32_t n);

// Formats message n into `buffer` (`size` bytes, cut to fit) with the
// printf-style arguments. The catalogue comes with the container, so its
// placeholders are checked first against `conversions`, the conversions
// the caller's arguments take, in order: a letter, after "l" when the
// argument is a long (for example "slXlX" for a text, then two unsigned
// longs in upper-case hexadecimal). Flags, widths and precisions given as
// digits are allowed; a length modifier must be exactly the caller's ("%ls",
// "%llX", "%hn" or "%lu" for an int would read arguments that were never
// passed), and a "*" width is refused. A message whose placeholders differ
// is copied as it stands, never formatted. "%%" is always allowed.
void FormatMessageText(char* buffer, int size, uint32_t n, const char* conversions, ...);

// True when the printf placeholders of `text` are exactly `conversions`.
bool PlaceholdersMatch(const char* text, const char* conversions);

#endif
