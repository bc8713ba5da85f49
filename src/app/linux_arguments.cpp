// Reading the Linux build's arguments (see linux_arguments.h).
#include "app/linux_arguments.h"

#include <cstring>

#include "platform/win32.h"

namespace {

// The error result for `message`.
LinuxArguments UsageError(const std::string& message) {
  LinuxArguments result;
  result.request = LinuxRequest::kUsageError;
  result.message = message;
  result.exitCode = kUsageErrorExit;
  return result;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool IsDrive(const char* argument) { return strlen(argument) == 2 && argument[1] == ':'; }

// The options the Windows grammar acts on, by their second character.
bool IsOptionLetter(char c) {
  switch (Upper(c)) {
    case 'F':
    case 'D':
    case 'H':
    case '?':
    case 'I':
    case 'Q':
    case 'T':
      return true;
    default:
      return false;
  }
}

// The forms the usage text documents, exactly: /F /H /? /I /Q, /T with
// digits, /D= with a name. One of these is an option even where a file of
// that name sits at the root.
bool IsDocumentedForm(const char* argument) {
  const char letter = Upper(argument[1]);
  if (argument[1] != '\0' && argument[2] == '\0')
    return letter == 'F' || letter == 'H' || letter == '?' || letter == 'I' || letter == 'Q';
  if (letter == 'T') {
    for (const char* p = argument + 2; *p != '\0'; ++p)
      if (*p < '0' || *p > '9') return false;
    return true;
  }
  return letter == 'D' && argument[2] == '=' && argument[3] != '\0';
}

// An argument beginning with "/" that names a path: something of that
// name exists, or it has a second "/" (a documented /D= form, whose file
// name may hold any, is taken before this).
bool IsAbsolutePath(const char* argument) {
  return GetFileAttributesA(argument) != INVALID_FILE_ATTRIBUTES || strchr(argument + 1, '/') != nullptr;
}

// The drive letter that `device` stands behind, or 0.
char LetterOfDevice(const std::string& device) {
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((drives & (DWORD(1) << i)) == 0) continue;
    const char name[3] = {char('A' + i), ':', '\0'};
    char target[MAX_PATH + 2];
    if (QueryDosDeviceA(name, target, sizeof target) != 0 && device == target) return name[0];
  }
  return 0;
}

// The first letter no drive has, or 0.
char FreeLetter() {
  const DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if ((drives & (DWORD(1) << i)) == 0) return char('A' + i);
  return 0;
}

// A path given as the target: a block device becomes the drive letter
// that stands for it; anything else is a usage error, and a device that
// is never written a refusal. False with `*result` set when the reading
// ends here.
bool TakeDevice(const char* path, std::string* drive, LinuxArguments* result) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *result = UsageError(std::string(path) + ": no such file or device");
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DEVICE) == 0) {
    *result = UsageError(std::string(path) +
                         " is not a block device (name a diskette drive by its device, as /dev/fd0, "
                         "or write an image file with /D=FILE)");
    return false;
  }
  char letter = LetterOfDevice(path);
  if (letter == 0) {
    letter = FreeLetter();
    const char name[3] = {letter, ':', '\0'};
    if (letter == 0 || !DefineDosDeviceA(DDD_RAW_TARGET_PATH, name, path)) {
      *result = UsageError(std::string(path) + ": no drive letter is free for it");
      return false;
    }
  }
  const char name[3] = {char(letter - 'A' + 'a'), ':', '\0'};
  switch (GetDriveTypeA(name)) {
    case DRIVE_REMOVABLE:
      *drive = name;
      return true;
    case DRIVE_FIXED:
      result->request = LinuxRequest::kRefused;
      result->message = std::string(path) + " is not written: it is a fixed disk";
      result->exitCode = 991;
      return false;
    default:
      result->request = LinuxRequest::kRefused;
      result->message = std::string(path) + " is not written: it is not a removable medium";
      result->exitCode = 991;
      return false;
  }
}

}  // namespace

LinuxArguments ReadLinuxArguments(int argc, char* const argv[]) {
  // --help and --version answer whatever else is there.
  for (int i = 0; i < argc; ++i) {
    LinuxArguments result;
    if (strcmp(argv[i], "--help") == 0) result.request = LinuxRequest::kHelp;
    if (strcmp(argv[i], "--version") == 0) result.request = LinuxRequest::kVersion;
    if (result.request != LinuxRequest::kRun) return result;
  }

  LinuxArguments result;
  for (int i = 0; i < argc; ++i) {
    const char* argument = argv[i];
    std::string drive;
    if (IsDrive(argument)) {
      result.windowsArguments.push_back(argument);
    } else if (argument[0] == '/' && !IsDocumentedForm(argument) && IsAbsolutePath(argument)) {
      if (!TakeDevice(argument, &drive, &result)) return result;
      result.windowsArguments.push_back(drive);
    } else if ((argument[0] == '/' || argument[0] == '-') && argument[1] != '-' &&
               IsOptionLetter(argument[1])) {
      if (Upper(argument[1]) == 'D' && strlen(argument) <= 3)
        return UsageError(std::string(argument) + " needs a file name: /D=FILE");
      result.windowsArguments.push_back(argument);
    } else if (argument[0] != '/' && argument[0] != '-' &&
               GetFileAttributesA(argument) != INVALID_FILE_ATTRIBUTES &&
               (GetFileAttributesA(argument) & FILE_ATTRIBUTE_DEVICE) != 0) {
      // A block device named by a relative path.
      if (!TakeDevice(argument, &drive, &result)) return result;
      result.windowsArguments.push_back(drive);
    } else if (argument[0] == '/' || argument[0] == '-') {
      return UsageError(std::string("unknown option '") + argument + "'");
    } else {
      return UsageError(std::string("unknown argument '") + argument +
                        "' (a drive is named as a: or by its block device, as /dev/fd0)");
    }
  }
  return result;
}
