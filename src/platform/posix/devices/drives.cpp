// The drive table in force, and the Win32 calls that read it and add to
// it: GetDriveTypeA, GetLogicalDrives, QueryDosDeviceA and
// DefineDosDeviceA.
#include <algorithm>
#include <cstring>
#include <string>

#include "devices/disk_medium.h"
#include "devices/drive_table.h"
#include "kernel32/standin.h"

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

// "X:" alone, the form in which a drive letter is a DOS device name.
bool DeviceLetter(const char* name, char* letter) {
  return name != nullptr && name[0] != '\0' && name[1] == ':' && name[2] == '\0' &&
         RootLetter(name, letter);
}

// What a drive letter stands for: a real device by its path, a simulated
// drive by a name no path of this machine has.
std::string TargetOf(const DriveEntry& drive) {
  if (drive.kind == DriveKind::kDevice || (!drive.path.empty() && drive.kind != DriveKind::kFloppy &&
                                           drive.kind != DriveKind::kRemovable))
    return drive.path;
  return std::string("\\Device\\Zolt") + drive.letter;
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

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD max) {
  if (deviceName == nullptr) StandInUnsupported("QueryDosDeviceA", "the list of all device names");
  char letter;
  const DriveEntry* drive = DeviceLetter(deviceName, &letter) ? FindDrive(letter) : nullptr;
  if (drive == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::string target = TargetOf(*drive);
  // The target and the NUL that ends the list of targets.
  if (targetPath == nullptr || max < target.size() + 2) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(targetPath, target.c_str(), target.size() + 1);
  targetPath[target.size() + 1] = '\0';
  return DWORD(target.size() + 2);
}

BOOL DefineDosDeviceA(DWORD flags, LPCSTR deviceName, LPCSTR targetPath) {
  if (flags != DDD_RAW_TARGET_PATH)
    StandInUnsupported("DefineDosDeviceA", "flags other than DDD_RAW_TARGET_PATH");
  char letter;
  if (!DeviceLetter(deviceName, &letter) || targetPath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Windows would stack a second definition on a letter in use; the
  // program gives devices free letters only.
  if (FindDrive(letter) != nullptr) StandInUnsupported("DefineDosDeviceA", "a letter already in use");
  DriveEntry drive{};
  drive.letter = char(letter >= 'a' ? letter - 'a' + 'A' : letter);
  drive.kind = DriveKind::kDevice;
  drive.path = targetPath;
  drive.format = MediumFormat::kNone;
  std::string why;
  if (!BlockDeviceDriveType(drive.path, &drive.driveType, &why)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // No medium is open yet at start-up, when the program defines its
  // devices: the table is replaced whole.
  DriveTable table = drives;
  table.push_back(drive);
  SetDriveTable(std::move(table));
  return TRUE;
}
