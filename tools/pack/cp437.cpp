// Conversion between UTF-8 and code page 437.
#include "pack/cp437.h"

#include <cstdint>
#include <cstdio>

namespace {

// Unicode code point of each byte from 0x80 to 0xFF.
const uint16_t kHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(char(cp));
  } else if (cp < 0x800) {
    out->push_back(char(0xC0 | cp >> 6));
    out->push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(char(0xE0 | cp >> 12));
    out->push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(char(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at `text[*at]`; false when it is malformed
// (overlong forms, surrogates and values beyond U+10FFFF included).
bool DecodeUtf8(const std::string& text, size_t* at, uint32_t* cp) {
  const auto byte = [&](size_t i) { return uint8_t(text[i]); };
  uint8_t lead = byte(*at);
  int extra;
  uint32_t value, minimum;
  if (lead < 0x80) {
    *cp = lead;
    ++*at;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (text.size() - *at <= size_t(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    uint8_t b = byte(*at + k);
    if ((b & 0xC0) != 0x80) return false;
    value = value << 6 | (b & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *cp = value;
  *at += size_t(extra) + 1;
  return true;
}

}  // namespace

bool Utf8ToCp437(const std::string& utf8, std::string* cp437, std::string* problem) {
  cp437->clear();
  cp437->reserve(utf8.size());
  unsigned line = 1;
  char where[96];
  for (size_t at = 0; at < utf8.size();) {
    uint32_t cp;
    if (!DecodeUtf8(utf8, &at, &cp)) {
      snprintf(where, sizeof where, "the byte 0x%02X on line %u is not valid UTF-8", uint8_t(utf8[at]), line);
      *problem = where;
      return false;
    }
    if (cp == 0) {
      snprintf(where, sizeof where, "line %u holds a NUL character, which a text cannot carry", line);
      *problem = where;
      return false;
    }
    if (cp < 0x80) {
      if (cp == '\n') ++line;
      cp437->push_back(char(cp));
      continue;
    }
    int found = -1;
    for (int i = 0; i < 128 && found < 0; ++i)
      if (kHighHalf[i] == cp) found = i;
    if (found < 0) {
      std::string glyph;
      AppendUtf8(&glyph, cp > 0xFFFF ? 0xFFFD : cp);
      snprintf(where, sizeof where, "the character U+%04X (", unsigned(cp));
      *problem = where + glyph;
      snprintf(where, sizeof where, ") on line %u has no code page 437 form", line);
      *problem += where;
      return false;
    }
    cp437->push_back(char(0x80 + found));
  }
  return true;
}

std::string Cp437ToUtf8(const std::string& cp437) {
  std::string out;
  out.reserve(cp437.size());
  for (char c : cp437) {
    uint8_t b = uint8_t(c);
    AppendUtf8(&out, b < 0x80 ? b : kHighHalf[b - 0x80]);
  }
  return out;
}
