// What DOS keeps about the drives the VWIN32 service reaches, the BPBs of
// the standard diskettes, and the mapping of medium errors.
#include "vwin32/vwin32_drive.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "devices/diskette_drives.h"
#include "vwin32/vwin32_service.h"

namespace {

std::map<char, DosDrive>& Drives() {
  static std::map<char, DosDrive> drives;
  return drives;
}

// The file-system fields that FORMAT gives each standard diskette, in the
// order of MediumFormat.
struct StandardFields {
  uint8_t sectorsPerCluster;
  uint16_t rootEntries;
  uint8_t media;
  uint16_t sectorsPerFat;
};
const StandardFields kStandardFields[] = {
    {0, 0, 0, 0},        // none
    {1, 64, 0xFE, 1},    // 160k
    {1, 64, 0xFC, 2},    // 180k
    {2, 112, 0xFF, 1},   // 320k
    {2, 112, 0xFD, 2},   // 360k
    {2, 112, 0xF9, 3},   // 720k
    {1, 224, 0xF9, 7},   // 1.2m
    {1, 224, 0xF0, 9},   // 1.44m
    {4, 16, 0xF0, 3},    // 1.68m (the 21-sector distribution format)
    {2, 240, 0xF0, 9},   // 2.88m
};
constexpr int kFormats = sizeof kStandardFields / sizeof kStandardFields[0];

// The device types of Get Device Parameters, in the order of DisketteDrive.
const uint8_t kDeviceTypes[] = {
    0,  // 360K 5.25"
    1,  // 1.2M 5.25"
    2,  // 720K 3.5"
    7,  // "other": a 1.44M 3.5" drive
    9,  // 2.88M 3.5"
};
constexpr uint8_t kTypeOther = 7;  // also any other block device
constexpr uint16_t kChangeLine = 2;  // removable, with a disk-change line

// A large removable medium's CHS view, as the BIOS of a Zip or LS-120
// drive gives it: 64 heads of 32 sectors.
constexpr int kLargeHeads = 64;
constexpr int kLargeSectorsPerTrack = 32;

MediumFormat FormatOfLayout(const DiskLayout& layout) {
  for (int i = 1; i < kFormats; ++i) {
    const MediumGeometry& g = GeometryOf(MediumFormat(i));
    if (g.sectorsPerTrack == layout.sectorsPerTrack && g.heads == layout.heads &&
        g.cylinders == layout.cylinders)
      return MediumFormat(i);
  }
  return MediumFormat::kNone;
}

// The BPB of a diskette layout: a standard format's fields, or for another
// layout one cluster per sector, 224 root entries and a FAT12 of the size
// the sectors need.
void DisketteBpb(const DiskLayout& layout, uint8_t* bpb) {
  const uint32_t total = uint32_t(layout.sectorsPerTrack) * layout.heads * layout.cylinders;
  const MediumFormat format = FormatOfLayout(layout);
  StandardFields fields = kStandardFields[int(format)];
  if (format == MediumFormat::kNone)
    fields = {1, 224, 0xF0, uint16_t((total * 3 / 2 + 3 + 511) / 512)};
  memset(bpb, 0, kBpbSize);
  StoreU16(bpb + kBpbBytesPerSector, 512);
  bpb[kBpbSectorsPerCluster] = fields.sectorsPerCluster;
  StoreU16(bpb + kBpbReservedSectors, 1);
  bpb[kBpbFats] = 2;
  StoreU16(bpb + kBpbRootEntries, fields.rootEntries);
  StoreU16(bpb + kBpbTotalSectors16, total);
  bpb[kBpbMediaDescriptor] = fields.media;
  StoreU16(bpb + kBpbSectorsPerFat, fields.sectorsPerFat);
  StoreU16(bpb + kBpbSectorsPerTrack, layout.sectorsPerTrack);
  StoreU16(bpb + kBpbHeads, layout.heads);
}

// A large removable medium as a FAT16 superfloppy of its size.
void LargeParameters(uint64_t sizeBytes, DeviceParameters* params) {
  const uint32_t total = uint32_t(std::min<uint64_t>(sizeBytes / 512, 0xFFFFFFFFu));
  uint32_t perCluster = 1;
  while (perCluster < 128 && total / perCluster > 65524) perCluster *= 2;
  const uint32_t clusters = total / perCluster;
  memset(params, 0, sizeof *params);
  params->deviceType = kTypeOther;
  params->attributes = kChangeLine;
  params->cylinders =
      uint16_t(std::min<uint32_t>(total / (kLargeHeads * kLargeSectorsPerTrack), 0xFFFF));
  uint8_t* bpb = params->bpb;
  StoreU16(bpb + kBpbBytesPerSector, 512);
  bpb[kBpbSectorsPerCluster] = uint8_t(perCluster);
  StoreU16(bpb + kBpbReservedSectors, 1);
  bpb[kBpbFats] = 2;
  StoreU16(bpb + kBpbRootEntries, 512);
  StoreU16(bpb + kBpbTotalSectors16, total <= 0xFFFF ? total : 0);
  bpb[kBpbMediaDescriptor] = 0xF8;
  StoreU16(bpb + kBpbSectorsPerFat, (clusters + 2) * 2 / 512 + 1);
  StoreU16(bpb + kBpbSectorsPerTrack, kLargeSectorsPerTrack);
  StoreU16(bpb + kBpbHeads, kLargeHeads);
  StoreU32(bpb + kBpbTotalSectors32, total <= 0xFFFF ? 0 : total);
}

// A diskette drive's own parameters: its type's, with the BPB of its own
// format.
void DriveTypeDefaults(DisketteDrive type, DeviceParameters* params) {
  memset(params, 0, sizeof *params);
  const MediumGeometry& g = GeometryOf(OwnFormat(type));
  params->deviceType = kDeviceTypes[int(type)];
  params->attributes = kChangeLine;
  params->cylinders = uint16_t(g.cylinders);
  DisketteBpb({g.sectorsPerTrack, g.heads, g.cylinders}, params->bpb);
}

}  // namespace

uint32_t BpbTotalSectors(const uint8_t* bpb) {
  const uint16_t total16 = LoadU16(bpb + kBpbTotalSectors16);
  return total16 != 0 ? total16 : LoadU32(bpb + kBpbTotalSectors32);
}

DiskLayout BpbLayout(const uint8_t* bpb) {
  const int spt = LoadU16(bpb + kBpbSectorsPerTrack), heads = LoadU16(bpb + kBpbHeads);
  if (spt == 0 || heads == 0) return {0, 0, 0};
  return {spt, heads, int(BpbTotalSectors(bpb) / uint32_t(spt * heads))};
}

std::mutex& Vwin32Lock() {
  static std::mutex lock;
  return lock;
}

void ForgetVwin32Drives() {
  std::lock_guard<std::mutex> hold(Vwin32Lock());
  Drives().clear();
}

DosDrive* FindDosDrive(char letter) {
  letter = char(toupper((unsigned char)letter));
  DiskMedium* medium = MediumOfDrive(letter);
  if (medium == nullptr) return nullptr;
  // Another medium record for the drive (a test put its own in) is a
  // medium change: DOS starts afresh.
  auto known = Drives().find(letter);
  if (known != Drives().end() && known->second.medium == medium) return &known->second;
  DosDrive drive{};
  drive.letter = letter;
  drive.medium = medium;
  drive.accessFlag = 1;
  DriveInfo info;
  medium->methods->describeDrive(medium, &info);
  drive.largeDrive = !info.diskette;
  drive.driveType = info.type;
  return &(Drives()[letter] = drive);
}

DWORD DriveDefaults(DosDrive* drive, DeviceParameters* params) {
  if (drive->defaultsSet) {
    *params = drive->defaults;
    return 0;
  }
  if (!drive->largeDrive) {
    DriveTypeDefaults(drive->driveType, params);
    return 0;
  }
  MediumInfo info{};
  const DWORD error = drive->medium->methods->query(drive->medium, &info);
  if (error != 0) return error;
  LargeParameters(info.sizeBytes, params);
  return 0;
}

DWORD MediumParameters(DosDrive* drive, DeviceParameters* params, MediumInfo* info) {
  MediumInfo own{};
  if (info == nullptr) info = &own;
  const DWORD error = drive->medium->methods->query(drive->medium, info);
  if (error != 0) return error;
  if (drive->currentSet) {
    *params = drive->current;
    return 0;
  }
  if (info->largeRemovable) {
    LargeParameters(info->sizeBytes, params);
    return 0;
  }
  DeviceParameters defaults;
  DriveDefaults(drive, &defaults);
  if (info->layout.sectorsPerTrack == 0) {
    // DOS cannot build a BPB from a blank diskette and keeps the drive's.
    *params = defaults;
    return 0;
  }
  *params = defaults;
  params->cylinders = uint16_t(info->layout.cylinders);
  DisketteBpb(info->layout, params->bpb);
  params->mediaType = BpbTotalSectors(params->bpb) < BpbTotalSectors(defaults.bpb) ? 1 : 0;
  return 0;
}

DWORD TransferChs(DiskMedium* medium, const uint8_t* bpb, uint32_t first, uint32_t count,
                  uint8_t* buffer, bool write) {
  const uint32_t spt = LoadU16(bpb + kBpbSectorsPerTrack), heads = LoadU16(bpb + kBpbHeads);
  if (spt == 0 || heads == 0 || uint64_t(first) + count > BpbTotalSectors(bpb))
    return ERROR_SECTOR_NOT_FOUND;
  const Density density = DensityOfSectors(int(spt));
  if (density == Density::kNone) return ERROR_NOT_DOS_DISK;
  while (count > 0) {
    const int cylinder = int(first / (spt * heads));
    const int head = int(first / spt % heads);
    const int sector = int(first % spt) + 1;
    const uint32_t run = std::min(count, spt - uint32_t(sector) + 1);
    const DWORD error =
        write ? medium->methods->writeSectors(medium, cylinder, head, sector, int(run), density,
                                              buffer)
              : medium->methods->readSectors(medium, cylinder, head, sector, int(run), density,
                                             buffer);
    if (error != 0) return error;
    first += run;
    count -= run;
    buffer += run * 512;
  }
  return 0;
}

uint16_t DosErrorOf(DWORD error) {
  switch (error) {
    case 0:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_NOT_DOS_DISK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
      return uint16_t(error);
    case ERROR_ACCESS_DENIED:
      return kDosAccessDenied;
    default:
      return 31;  // general failure
  }
}

uint8_t BiosStatusOf(DWORD error) {
  switch (error) {
    case 0:
      return 0;
    case ERROR_NOT_READY:
      return 0x80;  // time-out: the drive never signalled ready, no diskette
    case ERROR_WRITE_PROTECT:
      return 0x03;
    case ERROR_SECTOR_NOT_FOUND:
      return 0x04;  // no ID field with that sector number on the track
    case ERROR_CRC:
      return 0x10;
    case ERROR_SEEK:
      return 0x40;
    case ERROR_NOT_DOS_DISK:
      return 0x0C;  // unsupported track or medium type
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
      // A damaged track: the controller finds no address mark to start at.
      return 0x02;
    default:
      return 0x20;  // controller failure
  }
}
