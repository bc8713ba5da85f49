// Text on the terminal (see terminal_text.h): one table from Windows-1252
// to the characters the screen shows, built from the stand-in's own UTF-8
// conversion so that both agree, and word wrapping.
#include "front_ends/terminal_text.h"

#include <atomic>

#include "kernel32/standin.h"

namespace {

std::atomic<bool> screenShowsUnicode{false};

// The first character of a UTF-8 text of one to three bytes (what
// AnsiToUtf8 makes of one Windows-1252 byte).
wchar_t FirstCharacter(const std::string& utf8) {
  const unsigned char* p = (const unsigned char*)utf8.c_str();
  if (p[0] < 0x80) return wchar_t(p[0]);
  if ((p[0] & 0xE0) == 0xC0) return wchar_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
  return wchar_t((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
}

// The character of each Windows-1252 byte; 0 stays 0.
struct AnsiTable {
  wchar_t characters[256];
  AnsiTable() {
    characters[0] = 0;
    for (int byte = 1; byte < 256; ++byte) {
      char one[2] = {char(byte), '\0'};
      characters[byte] = FirstCharacter(AnsiToUtf8(one));
    }
  }
};

const AnsiTable& Table() {
  static const AnsiTable* table = new AnsiTable;
  return *table;
}

// The undefined bytes of Windows-1252 stand for C1 controls, which no
// screen shows.
bool Printable(wchar_t c) { return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0); }

}  // namespace

void SetScreenShowsUnicode(bool shows) { screenShowsUnicode = shows; }

std::wstring ScreenText(const std::string& ansi) {
  const AnsiTable& table = Table();
  const bool unicode = screenShowsUnicode;
  std::wstring shown;
  for (unsigned char byte : ansi) {
    wchar_t c = table.characters[byte];
    if (c == L'\t') {
      do shown += L' ';
      while (shown.size() % 8 != 0);
    } else if (c == L'\r') {
      continue;
    } else if (c == L'\n') {
      shown += c;
    } else if (!Printable(c)) {
      shown += L' ';
    } else {
      shown += c < 0x80 || unicode ? c : L'?';
    }
  }
  return shown;
}

int TypedAnsiByte(wchar_t typed) {
  if (!Printable(typed)) return -1;
  const AnsiTable& table = Table();
  for (int byte = 0x20; byte < 256; ++byte)
    if (table.characters[byte] == typed) return byte;
  return -1;
}

ButtonCaption CaptionOf(const std::string& ansi) {
  std::string plain;
  int mnemonic = -1;
  for (size_t i = 0; i < ansi.size(); ++i) {
    if (ansi[i] == '&' && i + 1 < ansi.size()) {
      ++i;
      if (ansi[i] != '&' && mnemonic < 0) mnemonic = int(plain.size());
    }
    plain += ansi[i];
  }
  // Every byte of the caption is one character on the screen (tabs and
  // line feeds aside, which captions do not hold), so the position holds.
  return ButtonCaption{ScreenText(plain), mnemonic};
}

std::vector<std::wstring> WrapWords(const std::wstring& text, int width) {
  std::vector<std::wstring> lines;
  const size_t most = width < 1 ? 1 : size_t(width);
  size_t start = 0;
  for (;;) {
    size_t end = text.find(L'\n', start);
    const std::wstring paragraph = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    std::wstring line;
    size_t at = 0;
    while (at < paragraph.size()) {
      size_t wordEnd = paragraph.find(L' ', at);
      if (wordEnd == std::wstring::npos) wordEnd = paragraph.size();
      const size_t wordLength = wordEnd - at;
      if (line.empty()) {
        if (wordLength > most) {  // a word wider than a line: as much as fits, the rest on the next
          lines.push_back(paragraph.substr(at, most));
          at += most;
          continue;
        }
        line = paragraph.substr(at, wordLength);
      } else if (line.size() + 1 + wordLength <= most) {
        line += L' ';
        line += paragraph.substr(at, wordLength);
      } else {
        lines.push_back(line);
        line.clear();
        continue;  // the same word again, first on the next line
      }
      at = wordEnd + 1;
    }
    lines.push_back(line);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return lines;
}
