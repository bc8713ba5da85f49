// The medium records of the drive table, one per letter, made on first use.
#include "devices/disk_medium.h"

#include <map>

#include "vwin32/vwin32_service.h"

namespace {

std::map<char, DiskMedium*> media;

}  // namespace

DiskMedium* MediumOfDrive(char letter) {
  DriveEntry* drive = FindDrive(letter);
  if (drive == nullptr) return nullptr;
  auto known = media.find(drive->letter);
  if (known != media.end()) return known->second;
  DiskMedium* medium = nullptr;
  switch (drive->kind) {
    case DriveKind::kFloppy:
    case DriveKind::kRemovable:
      medium = OpenSimulatedMedium(drive);
      break;
    case DriveKind::kDevice:
      medium = OpenDeviceMedium(drive);
      break;
    default:
      return nullptr;
  }
  if (medium != nullptr) media[drive->letter] = medium;
  return medium;
}

void SetDriveMedium(char letter, DiskMedium* medium) {
  DriveEntry* drive = FindDrive(letter);
  if (drive == nullptr) return;
  auto known = media.find(drive->letter);
  if (known != media.end() && known->second != medium) known->second->methods->close(known->second);
  medium->drive = drive;
  media[drive->letter] = medium;
}

void ForgetMedia() {
  ForgetVwin32Drives();
  for (auto& entry : media) entry.second->methods->close(entry.second);
  media.clear();
}
