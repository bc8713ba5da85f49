// The substitution table and the password of a protected container.
//
// Every image byte c of the stream reaches the diskette as table[c]. Without
// a password the table is the identity. With one, the table is derived from
// the password and from the bytes of the program file itself, so that the
// image cannot be restored without both; the container's PasswordField holds
// the length n of the password and then, for each upper-case character p,
// the byte c with table[c] == p.
#ifndef ZOLT_CONTAINER_SUBSTITUTION_H
#define ZOLT_CONTAINER_SUBSTITUTION_H

#include <cstdint>
#include <cstdio>

constexpr int kMaxPasswordLength = 12;
// The stored form is decoded into a 16-byte buffer: never more than this.
constexpr int kMaxStoredPasswordBytes = 15;

// Upper-cases the ASCII letters a to z of a password in place; other bytes
// stay as they are.
void UpperCasePassword(char* password);

// Fills `table` (256 bytes). An empty or null `password` (already upper
// case) gives the identity. Otherwise the bytes of `file` are scanned from
// offset 512 + the sum of the password's bytes: each byte b that is not the
// value i being placed and not taken yet becomes table[b] = i. The scan runs
// up to and including the byte at `containerOffset`, then on from offset 0.
// It stops when a whole turn over the scanned bytes takes nothing (the one
// value left may equal i for ever) or the file cannot be read; the table is
// then incomplete and the function returns false. The file position is put
// back as it was.
bool DeriveSubstitutionTable(FILE* file, uint32_t containerOffset, const char* password,
                             uint8_t table[256]);

// Decodes a PasswordField through `table` into `decoded` (at most 15 bytes
// and a NUL); never reads beyond the field's terminating NUL.
void DecodePasswordField(const char* passwordField, const uint8_t table[256], char decoded[16]);

// True when `typedUpper` (the typed password, upper-cased) is what the
// PasswordField decodes to through `table`.
bool PasswordMatches(const char* typedUpper, const char* passwordField, const uint8_t table[256]);

#endif
