// USB diskette drives among the block devices: a SCSI disk behind
// usb-storage whose USB interface speaks the UFI command set (interface
// class 08h, mass storage, subclass 04h). Such a drive holds a diskette in
// one format at a time, which it reports as its capacity, and is a
// diskette drive, not a large removable medium.
#include <stdlib.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "devices/device_media.h"

namespace {

constexpr unsigned kMassStorageClass = 0x08;
constexpr unsigned kUfiSubclass = 0x04;

// A sysfs attribute holding a hexadecimal number ("08").
bool ReadHex(const std::string& path, unsigned* value) {
  std::ifstream file(path);
  return bool(file >> std::hex >> *value);
}

}  // namespace

bool IsUsbDisketteDrive(dev_t number, const std::string& sysDevBlock) {
  const std::string link =
      sysDevBlock + "/" + std::to_string(major(number)) + ":" + std::to_string(minor(number));
  char* resolved = realpath(link.c_str(), nullptr);
  if (resolved == nullptr) return false;
  std::string folder = resolved;
  free(resolved);
  // Up from the disk (or partition) through the SCSI host to the first USB
  // interface, which says what the device speaks.
  while (folder.size() > 1) {
    unsigned interfaceClass, subclass;
    if (ReadHex(folder + "/bInterfaceClass", &interfaceClass)) {
      return interfaceClass == kMassStorageClass && ReadHex(folder + "/bInterfaceSubClass", &subclass) &&
             subclass == kUfiSubclass;
    }
    folder.erase(folder.rfind('/'));
  }
  return false;
}
