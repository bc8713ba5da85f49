// The drive table in force, and the Win32 calls that read it:
// GetDriveTypeA and GetLogicalDrives.
#include <algorithm>

#include "platform/posix/disk_medium.h"
#include "platform/posix/drive_table.h"
#include "platform/posix/standin.h"

namespace {

DriveTable drives;

// "X:", "X:\" or "X:/" with an ASCII letter of either case: the forms in
// which a drive's root is named. Anything else names no root.
bool RootLetter(const char* root, char* letter) {
  char l = root[0];
  if (!((l >= 'A' && l <= 'Z') || (l >= 'a' && l <= 'z')) || root[1] != ':') return false;
  if (root[2] != '\0' && !((root[2] == '\\' || root[2] == '/') && root[3] == '\0')) return false;
  *letter = l;
  return true;
}

}  // namespace

void SetDriveTable(DriveTable table) {
  ForgetMedia();  // the media records point into the table
  std::sort(table.begin(), table.end(),
            [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
  drives = std::move(table);
}

DriveEntry* FindDrive(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
  for (DriveEntry& drive : drives) {
    if (drive.letter == letter) return &drive;
  }
  return nullptr;
}

UINT GetDriveTypeA(LPCSTR rootPathName) {
  if (rootPathName == nullptr)
    StandInUnsupported("GetDriveTypeA", "a null root (the current directory's drive)");
  char letter;
  const DriveEntry* drive = RootLetter(rootPathName, &letter) ? FindDrive(letter) : nullptr;
  if (drive == nullptr) {
    // As Windows, which fails to open the root of a drive that is not there.
    SetLastError(ERROR_PATH_NOT_FOUND);
    return DRIVE_NO_ROOT_DIR;
  }
  return drive->driveType;
}

// 0 only on a machine without drives (no ZOLT_DRIVES value gives an empty
// table); that is no failure, so the last error stays as it was.
DWORD GetLogicalDrives(void) {
  DWORD mask = 0;
  for (const DriveEntry& drive : drives) mask |= DWORD(1) << (drive.letter - 'A');
  return mask;
}
