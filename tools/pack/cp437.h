// Code page 437: the OEM code page in which the container stores every text
// (the catalogue and the free texts). The builder takes UTF-8 and converts it
// here; `info` converts back for the terminal. Bytes 0x00 to 0x7F are ASCII
// (control characters stay control characters); 0x80 to 0xFF are the
// accented letters, box drawing and symbols of the IBM PC character set.
#ifndef ZOLT_PACK_CP437_H
#define ZOLT_PACK_CP437_H

#include <string>

// Converts UTF-8 to code page 437. Returns false when the text is not valid
// UTF-8, holds a NUL (texts are NUL-terminated in the container) or a
// character that code page 437 lacks; `problem` then names the character or
// byte and the line it is on.
bool Utf8ToCp437(const std::string& utf8, std::string* cp437, std::string* problem);

// Converts code page 437 to UTF-8; every byte has a form.
std::string Cp437ToUtf8(const std::string& cp437);

#endif
