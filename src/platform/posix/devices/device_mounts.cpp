// Whether a block device carries a mounted file system: the device and its
// partitions (from sysfs) against the sources of the mount table.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "devices/device_media.h"

namespace {

// The partitions of a disk are the folders of its sysfs folder that have a
// "partition" file; each names its device number in "dev" as MAJOR:MINOR.
std::vector<dev_t> DeviceAndPartitions(dev_t device) {
  std::vector<dev_t> numbers{device};
  std::string sys =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  DIR* dir = opendir(sys.c_str());
  if (dir == nullptr) return numbers;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::string folder = sys + "/" + e->d_name;
    struct stat st;
    if (stat((folder + "/partition").c_str(), &st) != 0) continue;
    unsigned maj, min;
    std::ifstream dev(folder + "/dev");
    char colon;
    if (dev >> maj >> colon >> min && colon == ':') numbers.push_back(makedev(maj, min));
  }
  closedir(dir);
  return numbers;
}

// The mount table writes blanks, tabs, line breaks and backslashes in a
// source as three octal digits after a backslash.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

bool MountedFileSystemOn(dev_t device, const char* mounts, std::string* where) {
  const std::vector<dev_t> numbers = DeviceAndPartitions(device);
  std::ifstream table(mounts);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string source, target;
    if (!(fields >> source >> target) || source.empty() || source[0] != '/') continue;
    struct stat st;
    if (stat(Unescape(source).c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    for (dev_t n : numbers) {
      if (st.st_rdev != n) continue;
      if (where != nullptr) *where = Unescape(target);
      return true;
    }
  }
  return false;
}

bool HoldsFile(dev_t device, const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return false;
  for (dev_t n : DeviceAndPartitions(device)) {
    if (st.st_dev == n) return true;
  }
  return false;
}
