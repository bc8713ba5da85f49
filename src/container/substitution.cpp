// Substitution table derivation and the password check.
#include "container/substitution.h"

#include <cstring>

void UpperCasePassword(char* password) {
  for (char* p = password; *p != '\0'; ++p)
    if (*p >= 'a' && *p <= 'z') *p = char(*p - 'a' + 'A');
}

bool DeriveSubstitutionTable(FILE* file, uint32_t containerOffset, const char* password,
                             uint8_t table[256]) {
  if (password == nullptr || password[0] == '\0') {
    for (int i = 0; i < 256; ++i) table[i] = uint8_t(i);
    return true;
  }

  long saved = ftell(file);
  bool taken[256];
  memset(table, 0, 256);
  memset(taken, 0, sizeof taken);

  uint32_t position = 512;
  for (const unsigned char* p = (const unsigned char*)password; *p != '\0'; ++p) position += *p;

  // One turn over the scanned bytes is offsets 0 to containerOffset; after a
  // whole turn without a take the scan can never finish.
  const uint64_t turn = uint64_t(containerOffset) + 1;
  uint64_t sinceTake = 0;
  int i = 0;
  bool readable = fseek(file, long(position), SEEK_SET) == 0;
  while (readable && i < 256 && sinceTake < turn) {
    int b = fgetc(file);
    if (b == EOF) {
      readable = false;
      break;
    }
    if (b != i && !taken[b]) {
      table[b] = uint8_t(i);
      taken[b] = true;
      ++i;
      sinceTake = 0;
    } else {
      ++sinceTake;
    }
    if (position >= containerOffset) {
      position = 0;
      readable = fseek(file, 0, SEEK_SET) == 0;
    } else {
      ++position;
    }
  }
  if (saved >= 0) fseek(file, saved, SEEK_SET);
  return i == 256;
}

void DecodePasswordField(const char* passwordField, const uint8_t table[256], char decoded[16]) {
  const unsigned char* field = (const unsigned char*)passwordField;
  int length = field[0];
  if (length > kMaxStoredPasswordBytes) length = kMaxStoredPasswordBytes;
  int k = 0;
  // The field is a NUL-terminated string: stop at its end even when the
  // length byte claims more.
  for (; k < length && field[1 + k] != 0; ++k) decoded[k] = char(table[field[1 + k]]);
  decoded[k] = '\0';
}

bool PasswordMatches(const char* typedUpper, const char* passwordField, const uint8_t table[256]) {
  if (passwordField == nullptr || passwordField[0] == '\0') return false;
  char decoded[16];
  DecodePasswordField(passwordField, table, decoded);
  return strcmp(decoded, typedUpper) == 0;
}
