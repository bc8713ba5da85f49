// What each type of diskette drive can do, as the hardware and the Windows
// drivers know it: the densities it reads and lays down, the formats it
// carries, how far its head reaches, its own format, and the NT media types
// it takes, with the geometry of each media type. Shared by the simulated
// drives, the real ones (device:) and the Windows drivers the stand-in
// plays over both. Internal to the stand-in.
#ifndef ZOLT_PLATFORM_POSIX_DISKETTE_DRIVES_H
#define ZOLT_PLATFORM_POSIX_DISKETTE_DRIVES_H

#include <string>
#include <vector>

#include "devices/drive_table.h"

// The ZOLT_DRIVES names: drive=360k|1.2m|720k|1.44m|2.88m, media=dd|hd|ed.
const char* DisketteDriveName(DisketteDrive drive);
bool DisketteDriveByName(const std::string& name, DisketteDrive* drive);
const char* DensityName(Density density);
bool DensityByName(const std::string& name, Density* density);

// The density a layout of `sectorsPerTrack` 512-byte sectors needs; kNone
// for none (0) or more than fit on any track (above 40).
Density DensityOfSectors(int sectorsPerTrack);

bool DriveTakesDensity(DisketteDrive drive, Density density);
Density HighestDensity(DisketteDrive drive);

// Whether a medium in the standard `format` can be used in the drive.
bool DriveCarriesFormat(DisketteDrive drive, MediumFormat format);

// The drive a medium in `format` is taken to be in when the setting names
// none: a 1.44M drive, unless it cannot carry the format (the 5.25"
// formats: a 1.2M drive; 2.88M: a 2.88M drive).
DisketteDrive DefaultDriveFor(MediumFormat format);

// The drive's own format: the one its name gives.
MediumFormat OwnFormat(DisketteDrive drive);

// Cylinders the drive's head reaches: a 40-track drive a few beyond 39, an
// 80-track drive a few beyond 79.
int DriveCylinders(DisketteDrive drive);

bool Is35InchDrive(DisketteDrive drive);

// The type of drive a CMOS drive type (FDGETDRVPRM's cmos: 1 360K, 2 1.2M,
// 3 720K, 4 1.44M, 5 and 6 2.88M) names; any other (0: unknown) is taken
// as a 1.44M drive.
DisketteDrive DisketteDriveOfCmos(int cmosType);

// The geometry of a diskette media type (winioctl.h's MEDIA_TYPE); false
// for a type that names no diskette.
struct MediaTypeShape {
  int cylinders;
  int heads;
  int sectorsPerTrack;
  int bytesPerSector;
};
bool MediaTypeShapeOf(MEDIA_TYPE type, MediaTypeShape* shape);

// The media types the NT floppy driver formats in a drive of this type and
// lists for IOCTL_DISK_GET_MEDIA_TYPES, highest capacity first.
std::vector<MEDIA_TYPE> InternalDriveMediaTypes(DisketteDrive drive);

// What IOCTL_DISK_GET_MEDIA_TYPES lists for a USB diskette drive.
std::vector<MEDIA_TYPE> UsbDriveMediaTypes();

#endif
