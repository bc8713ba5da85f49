// The message list of the main dialog: the log of a run. Lines are only
// ever added. Texts arrive in code page 437 and are converted in place to
// the ANSI code page on their way to the list. Both threads add lines: the
// worker through a cross-thread send, the dialog thread directly.
#ifndef ZOLT_UI_MESSAGE_LIST_H
#define ZOLT_UI_MESSAGE_LIST_H

#include <cstdint>

constexpr int kListLineMax = 255;

// Converts `text` in place and adds it as one line, without its line feeds.
// A text longer than 255 characters is cut to its first 255.
void AppendListLine(char* text);

// Converts `text` in place and adds one line per line of it. A line that
// ends with a line feed loses its last character when that is not an ASCII
// letter or digit (the carriage return of CR LF texts, and any final
// punctuation); the text's final line is added as it stands.
void AppendListText(char* text);

// Formats catalogue message n into `buffer` (`size` bytes) as
// FormatMessageText does and adds it with AppendListLine.
void AppendListMessage(char* buffer, int size, uint32_t n, const char* conversions, ...);

#endif
