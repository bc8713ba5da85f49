// The types of diskette drive and what each can do.
//
// Densities: a double-density (DD) medium holds the 40-track formats and
// 720K; high density (HD) also 1.2M, 1.44M and the 21-sector 1.68M; extra
// high density (ED) also 2.88M. A drive reads and lays down only the
// densities its electronics have data rates for: a 360K or 720K drive DD
// alone, a 1.2M or 1.44M drive DD and HD, a 2.88M drive all three. A 3.5"
// drive carries no 5.25" medium and the reverse.
#include "devices/diskette_drives.h"

namespace {

struct DriveType {
  const char* name;
  MediumFormat own;
  Density highest;
  int cylinders;  // what the head reaches
  bool inch35;
  // The formats it carries, by MediumFormat bit.
  unsigned formats;
};

constexpr unsigned Bit(MediumFormat f) { return 1u << int(f); }
constexpr unsigned k525Formats =
    Bit(MediumFormat::k160K) | Bit(MediumFormat::k180K) | Bit(MediumFormat::k320K) |
    Bit(MediumFormat::k360K);
constexpr unsigned kHd35Formats =
    Bit(MediumFormat::k720K) | Bit(MediumFormat::k1440K) | Bit(MediumFormat::k1680K);

// In the order of DisketteDrive.
const DriveType kDriveTypes[] = {
    {"360k", MediumFormat::k360K, Density::kDD, 42, false, k525Formats},
    {"1.2m", MediumFormat::k1200K, Density::kHD, 84, false,
     k525Formats | Bit(MediumFormat::k1200K)},
    {"720k", MediumFormat::k720K, Density::kDD, 84, true, Bit(MediumFormat::k720K)},
    {"1.44m", MediumFormat::k1440K, Density::kHD, 84, true, kHd35Formats},
    {"2.88m", MediumFormat::k2880K, Density::kED, 84, true,
     kHd35Formats | Bit(MediumFormat::k2880K)},
};

const DriveType& TypeOf(DisketteDrive drive) { return kDriveTypes[int(drive)]; }

const char* const kDensityNames[] = {"none", "dd", "hd", "ed", "any"};

struct MediaTypeEntry {
  MEDIA_TYPE type;
  MediaTypeShape shape;
};
const MediaTypeEntry kMediaTypes[] = {
    {F5_160_512, {40, 1, 8, 512}},    {F5_180_512, {40, 1, 9, 512}},
    {F5_320_512, {40, 2, 8, 512}},    {F5_320_1024, {40, 2, 4, 1024}},
    {F5_360_512, {40, 2, 9, 512}},    {F5_1Pt2_512, {80, 2, 15, 512}},
    {F3_720_512, {80, 2, 9, 512}},    {F3_1Pt44_512, {80, 2, 18, 512}},
    {F3_2Pt88_512, {80, 2, 36, 512}}, {F3_640_512, {80, 2, 8, 512}},
    {F3_1Pt2_512, {80, 2, 15, 512}},
};

}  // namespace

const char* DisketteDriveName(DisketteDrive drive) { return TypeOf(drive).name; }

bool DisketteDriveByName(const std::string& name, DisketteDrive* drive) {
  for (int i = 0; i < int(sizeof kDriveTypes / sizeof kDriveTypes[0]); ++i) {
    if (name == kDriveTypes[i].name) {
      *drive = DisketteDrive(i);
      return true;
    }
  }
  return false;
}

const char* DensityName(Density density) { return kDensityNames[int(density)]; }

bool DensityByName(const std::string& name, Density* density) {
  for (Density d : {Density::kDD, Density::kHD, Density::kED}) {
    if (name == DensityName(d)) {
      *density = d;
      return true;
    }
  }
  return false;
}

Density DensityOfSectors(int sectorsPerTrack) {
  if (sectorsPerTrack < 1 || sectorsPerTrack > 40) return Density::kNone;
  if (sectorsPerTrack <= 10) return Density::kDD;
  if (sectorsPerTrack <= 21) return Density::kHD;
  return Density::kED;
}

bool DriveTakesDensity(DisketteDrive drive, Density density) {
  return density >= Density::kDD && density <= TypeOf(drive).highest;
}

Density HighestDensity(DisketteDrive drive) { return TypeOf(drive).highest; }

bool DriveCarriesFormat(DisketteDrive drive, MediumFormat format) {
  return (TypeOf(drive).formats & Bit(format)) != 0;
}

DisketteDrive DefaultDriveFor(MediumFormat format) {
  if (DriveCarriesFormat(DisketteDrive::k1440K, format) || format == MediumFormat::kNone)
    return DisketteDrive::k1440K;
  return format == MediumFormat::k2880K ? DisketteDrive::k2880K : DisketteDrive::k1200K;
}

MediumFormat OwnFormat(DisketteDrive drive) { return TypeOf(drive).own; }

int DriveCylinders(DisketteDrive drive) { return TypeOf(drive).cylinders; }

bool Is35InchDrive(DisketteDrive drive) { return TypeOf(drive).inch35; }

DisketteDrive DisketteDriveOfCmos(int cmosType) {
  switch (cmosType) {
    case 1:
      return DisketteDrive::k360K;
    case 2:
      return DisketteDrive::k1200K;
    case 3:
      return DisketteDrive::k720K;
    case 5:
    case 6:
      return DisketteDrive::k2880K;
    default:
      return DisketteDrive::k1440K;
  }
}

bool MediaTypeShapeOf(MEDIA_TYPE type, MediaTypeShape* shape) {
  for (const MediaTypeEntry& m : kMediaTypes) {
    if (m.type == type) {
      *shape = m.shape;
      return true;
    }
  }
  return false;
}

// The floppy driver lists a drive's media types from the highest it can
// format down; the 5.25" 320K types come 1,024-byte sectors first, in its
// table's order.
std::vector<MEDIA_TYPE> InternalDriveMediaTypes(DisketteDrive drive) {
  const std::vector<MEDIA_TYPE> k525 = {F5_360_512, F5_320_1024, F5_320_512, F5_180_512,
                                        F5_160_512};
  switch (drive) {
    case DisketteDrive::k360K:
      return k525;
    case DisketteDrive::k1200K: {
      std::vector<MEDIA_TYPE> types = {F5_1Pt2_512};
      types.insert(types.end(), k525.begin(), k525.end());
      return types;
    }
    case DisketteDrive::k720K:
      return {F3_720_512};
    case DisketteDrive::k1440K:
      return {F3_1Pt44_512, F3_720_512};
    case DisketteDrive::k2880K:
      return {F3_2Pt88_512, F3_1Pt44_512, F3_720_512};
  }
  return {};
}

std::vector<MEDIA_TYPE> UsbDriveMediaTypes() { return {F3_1Pt44_512, F3_720_512}; }
