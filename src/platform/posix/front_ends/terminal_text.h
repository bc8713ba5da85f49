// Text on the terminal: the program's Windows-1252 strings as the wide
// characters the screen shows (each takes one cell), the way back for the
// characters a person types, button captions with their mnemonic letter,
// and the word wrapping of static texts.
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_TEXT_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_TEXT_H

#include <string>
#include <vector>

// Whether the screen shows characters outside ASCII (a UTF-8 locale). When
// it does not, they are shown as '?'. Set once, when the terminal is taken.
void SetScreenShowsUnicode(bool shows);

// A Windows-1252 text for the screen: tabs expanded to the next multiple of
// eight columns, carriage returns dropped, line feeds kept (they break the
// lines of a static text), other control characters shown as spaces.
std::wstring ScreenText(const std::string& ansi);

// The Windows-1252 byte of a typed character; -1 for a character that code
// page has not (the program could not hold it) or a control character.
int TypedAnsiByte(wchar_t typed);

// A button's caption: its text without the "&" marks ("&&" stands for one
// "&") and the position of its mnemonic letter in that text, -1 for none.
struct ButtonCaption {
  std::wstring text;
  int mnemonic;
};
ButtonCaption CaptionOf(const std::string& ansi);

// `text` broken into lines of at most `width` cells: at its line feeds, and
// between words where a line would grow too long; a word longer than the
// width is cut. The spaces where a line is broken are dropped.
std::vector<std::wstring> WrapWords(const std::wstring& text, int width);

#endif
