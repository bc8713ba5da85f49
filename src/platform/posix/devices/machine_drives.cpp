// The drives of this machine: the drive type of a real block device, and
// the drive table used when ZOLT_DRIVES is not set, both read from sysfs.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "devices/drive_table.h"

namespace {

// The block major numbers of the PC floppy controller's drives (/dev/fdN)
// and of loop devices.
constexpr unsigned kFloppyMajor = 2;
constexpr unsigned kLoopMajor = 7;

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, strlen(prefix), prefix) == 0;
}

// The first character of a sysfs attribute file, or 0 when it is missing.
char FirstCharacterOf(const std::string& path) {
  std::ifstream file(path);
  char c = 0;
  if (!(file >> c)) return 0;
  return c;
}

// Block devices that are no drive a user would see: loop and RAM-backed
// disks, device-mapper volumes; diskette and CD-ROM drives are taken apart.
bool IsOtherBlockDevice(const std::string& name) {
  return StartsWith(name, "loop") || StartsWith(name, "ram") || StartsWith(name, "zram") ||
         StartsWith(name, "dm-");
}

// sda before sdb before sdaa, nvme0n2 before nvme0n10.
bool NameOrder(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

DriveEntry MachineDrive(char letter, DriveKind kind, UINT type, const std::string& name) {
  DriveEntry drive{};
  drive.letter = letter;
  drive.kind = kind;
  drive.driveType = type;
  drive.path = "/dev/" + name;
  drive.format = MediumFormat::kNone;
  return drive;
}

}  // namespace

bool BlockDeviceDriveType(const std::string& path, UINT* type, std::string* why) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *why = "'" + path + "': " + strerror(errno);
    return false;
  }
  if (!S_ISBLK(st.st_mode)) {
    *why = "'" + path + "' is not a block device";
    return false;
  }
  // A loop device stands for a medium one can take away (it is how block
  // device tools are tried on an image file).
  if (major(st.st_rdev) == kFloppyMajor || major(st.st_rdev) == kLoopMajor) {
    *type = DRIVE_REMOVABLE;
    return true;
  }
  // The kernel marks whole disks with removable media; a partition has no
  // mark of its own and takes its disk's, one folder up.
  std::string sys = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                    std::to_string(minor(st.st_rdev));
  char removable = FirstCharacterOf(sys + "/removable");
  if (removable == 0) removable = FirstCharacterOf(sys + "/../removable");
  *type = removable == '1' ? DRIVE_REMOVABLE : DRIVE_FIXED;
  return true;
}

DriveTable MachineDriveTable(const std::string& sysBlock) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(sysBlock.c_str())) {
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end(), NameOrder);

  DriveTable table;
  // The BIOS's first two diskette drives are A: and B: whether or not the
  // other is there.
  for (const char* fd : {"fd0", "fd1"}) {
    if (std::find(names.begin(), names.end(), fd) != names.end())
      table.push_back(
          MachineDrive(fd[2] == '0' ? 'A' : 'B', DriveKind::kDevice, DRIVE_REMOVABLE, fd));
  }
  // Hard disks from C: on, then the CD-ROM drives, as Windows letters them.
  // Removable disks (card readers, USB sticks) get no letter: the restorer
  // would offer them as targets.
  char letter = 'C';
  for (const std::string& name : names) {
    if (letter > 'Z') break;
    if (IsOtherBlockDevice(name) || StartsWith(name, "fd") || StartsWith(name, "sr")) continue;
    if (FirstCharacterOf(sysBlock + "/" + name + "/removable") != '0') continue;
    table.push_back(MachineDrive(letter++, DriveKind::kFixed, DRIVE_FIXED, name));
  }
  for (const std::string& name : names) {
    if (letter > 'Z') break;
    if (StartsWith(name, "sr"))
      table.push_back(MachineDrive(letter++, DriveKind::kCdrom, DRIVE_CDROM, name));
  }
  return table;
}
