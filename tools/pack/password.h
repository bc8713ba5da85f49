// The password of a protected container, from the builder's side.
//
// The restorer derives a substitution table from the typed password and the
// bytes of its own file (the program up to and including the first byte of
// the container), decodes the PasswordField through it and compares. Every
// image byte x is then stored as the byte c with table[c] == x, so the image
// comes out right only through the same table.
#ifndef ZOLT_PACK_PASSWORD_H
#define ZOLT_PACK_PASSWORD_H

#include <cstdint>
#include <cstdio>
#include <string>

// Checks a password as typed: 1 to 12 characters of printable ASCII (space
// to tilde). Gives its upper-case form (a to z only), which is what the
// restorer derives the table from.
bool CheckPasswordText(const std::string& password, std::string* upper, std::string* error);

// Derives the table of `upper` from `file`, which must already hold the
// program and at least the first byte of the container at `containerOffset`,
// and makes the PasswordField: the length byte, then for each character p
// the byte c with table[c] == p. `storeTable` receives the inverse of the
// table: storeTable[x] is the byte that stands for image byte x. False when
// the table scan cannot finish or the field would hold a 0 byte (the field
// is a NUL-terminated string); such a password cannot be used with this
// program file.
bool MakePasswordField(FILE* file, uint32_t containerOffset, const std::string& upper,
                       std::string* field, uint8_t storeTable[256], std::string* error);

#endif
