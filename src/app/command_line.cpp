// Splitting and applying the command line.
#include "app/command_line.h"

#include <cstring>

#include "app/image_file.h"
#include "writer/target_drive.h"

int SplitCommandLine(char* line, char* argv[kMaxArguments]) {
  int argc = 0;
  char* p = line;
  while (*p != '\0') {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    if (argc == kMaxArguments) break;
    argv[argc++] = p;
    while (*p != '\0' && *p != ' ') ++p;
    if (*p == ' ') *p++ = '\0';
  }
  return argc;
}

namespace {

void ApplyDrive(const char* argument) {
  app.targetDrive[0] = argument[0];
  app.targetDrive[1] = argument[1];
  app.targetDrive[2] = '\0';
  switch (GetDriveTypeA(app.targetDrive)) {
    case DRIVE_REMOVABLE:
      app.driveFromCommandLine = 1;
      app.refusedDriveCode = 0;
      break;
    case DRIVE_UNKNOWN:
    case DRIVE_NO_ROOT_DIR:
      // Never a target from the command line: the dialog's list decides.
      app.targetDrive[0] = '\0';
      app.refusedDriveCode = ERROR_INVALID_DRIVE;
      break;
    case DRIVE_FIXED:
    case DRIVE_REMOTE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      app.targetDrive[0] = '\0';
      app.refusedDriveCode = kNotRemovableMedia;
      break;
    default:
      app.refusedDriveCode = 0;
      break;
  }
}

// "/T" followed by a decimal number up to the first non-digit; no digits or
// a sign give 0.
int ParseDelay(const char* digits) {
  long value = 0;
  for (; *digits >= '0' && *digits <= '9'; ++digits) {
    value = value * 10 + (*digits - '0');
    if (value > 86400L * 365) value = 86400L * 365;  // keep the sleep in range
  }
  return int(value);
}

void ApplyOption(char* argument) {
  switch (argument[1]) {
    case 'F':
    case 'f':
      app.formatWhileCopying = 1;
      break;
    case 'D':
    case 'd':
      // The third character (normally "=") is skipped whatever it is.
      if (strlen(argument) > 3) OpenImageFile(argument + 3);
      break;
    case 'H':
    case 'h':
    case '?':
      app.showHelp = 1;
      break;
    case 'I':
    case 'i':
      app.integrityCheck = 1;
      break;
    case 'Q':
    case 'q':
      app.autoStart = 1;
      break;
    case 'T':
    case 't':
      app.quitDelaySeconds = ParseDelay(argument + 2);
      break;
    default:
      break;
  }
}

}  // namespace

void ApplyArguments(int argc, char* argv[]) {
  for (int i = 0; i < argc; ++i) {
    char* argument = argv[i];
    if (strlen(argument) == 2 && argument[1] == ':') ApplyDrive(argument);
    if (argument[0] == '/' || argument[0] == '-') ApplyOption(argument);
  }
}
