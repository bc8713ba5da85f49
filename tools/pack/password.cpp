// Password checks and the PasswordField.
#include "pack/password.h"

#include <vector>

#include "container/substitution.h"

bool CheckPasswordText(const std::string& password, std::string* upper, std::string* error) {
  if (password.empty()) {
    *error = "the password is empty";
    return false;
  }
  if (password.size() > size_t(kMaxPasswordLength)) {
    *error = "the password has " + std::to_string(password.size()) + " characters; at most " +
             std::to_string(kMaxPasswordLength) + " are allowed";
    return false;
  }
  for (char c : password) {
    if (c < 0x20 || c > 0x7E) {
      *error = "the password may hold only printable ASCII characters (space to ~)";
      return false;
    }
  }
  std::vector<char> buffer(password.begin(), password.end());
  buffer.push_back('\0');
  UpperCasePassword(buffer.data());
  *upper = buffer.data();
  return true;
}

bool MakePasswordField(FILE* file, uint32_t containerOffset, const std::string& upper,
                       std::string* field, uint8_t storeTable[256], std::string* error) {
  // The scan starts at 512 + the sum of the password's bytes. Beyond the
  // container offset it would read bytes of the container that are not
  // final yet, so such a start is refused (only a tiny program has one).
  uint32_t start = 512;
  for (unsigned char c : upper) start += c;
  if (start > containerOffset) {
    *error = "the program is too short (" + std::to_string(containerOffset) +
             " bytes) to carry a password";
    return false;
  }
  if (fflush(file) != 0) {
    *error = "cannot write the output file";
    return false;
  }
  uint8_t table[256];
  if (!DeriveSubstitutionTable(file, containerOffset, upper.c_str(), table)) {
    *error = "the password \"" + upper + "\" cannot be used with this restorer: its substitution "
             "table cannot be completed; choose another password";
    return false;
  }
  for (int c = 0; c < 256; ++c) storeTable[table[c]] = uint8_t(c);
  field->assign(1, char(upper.size()));
  for (unsigned char p : upper) {
    if (storeTable[p] == 0) {
      *error = "the password \"" + upper + "\" cannot be used with this restorer: its stored form "
               "would hold a 0 byte; choose another password";
      return false;
    }
    field->push_back(char(storeTable[p]));
  }
  return true;
}
