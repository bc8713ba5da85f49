// Reading and converting the free texts.
#include "pack/free_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pack/cp437.h"

bool ConvertFreeText(const std::string& utf8, std::string* cp437, std::string* problem) {
  size_t start = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string stored;
  if (!Utf8ToCp437(utf8.substr(start), &stored, problem)) return false;
  cp437->clear();
  for (size_t i = 0; i < stored.size(); ++i) {
    char c = stored[i];
    if (c == '\r' || c == '\n') {
      *cp437 += "\r\n";
      if (c == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') ++i;
    } else {
      cp437->push_back(c);
    }
  }
  if (cp437->size() > kMaxFreeTextBytes) {
    *problem = "it is " + std::to_string(cp437->size()) + " bytes long in code page 437 with CR LF "
               "line ends; the restorer shows at most " + std::to_string(kMaxFreeTextBytes);
    return false;
  }
  return true;
}

bool LoadFreeText(const std::string& path, std::string* cp437, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path + ": " + strerror(errno);
    return false;
  }
  // Every byte of the result takes at most three bytes of UTF-8 (CR LF takes
  // two for two), so reading a little beyond three times the limit is enough
  // to know a text is too long without holding a huge file.
  const size_t cap = 3 * kMaxFreeTextBytes + 3 + 1;
  std::string utf8;
  char chunk[16384];
  size_t got;
  while (utf8.size() < cap && (got = fread(chunk, 1, sizeof chunk, file)) > 0) utf8.append(chunk, got);
  bool readError = ferror(file) != 0;
  fclose(file);
  if (readError) {
    *error = "cannot read " + path;
    return false;
  }
  if (utf8.size() >= cap) {
    *error = path + " is too long: the restorer shows at most " + std::to_string(kMaxFreeTextBytes) +
             " bytes of text";
    return false;
  }
  std::string problem;
  if (!ConvertFreeText(utf8, cp437, &problem)) {
    *error = path + ": " + problem;
    return false;
  }
  return true;
}
