// The free texts of a container: label, message to the user and technical
// data. They come from UTF-8 files and are stored in code page 437 with CR LF
// line ends, as the restorer lists and prints them.
#ifndef ZOLT_PACK_FREE_TEXT_H
#define ZOLT_PACK_FREE_TEXT_H

#include <cstddef>
#include <string>

// The restorer lists a free text through a buffer of 32,765 bytes with its
// NUL: a longer text would be cut.
constexpr size_t kMaxFreeTextBytes = 32764;

// Converts UTF-8 text (a leading byte-order mark is dropped) to code page
// 437 with CR LF line ends: LF, CR LF and a lone CR all become CR LF. False
// with `problem` set when a character cannot be stored or the result is
// longer than kMaxFreeTextBytes.
bool ConvertFreeText(const std::string& utf8, std::string* cp437, std::string* problem);

// Reads the UTF-8 file `path` and converts it as above; `error` names the
// file.
bool LoadFreeText(const std::string& path, std::string* cp437, std::string* error);

#endif
