// IOCTL_DISK_FORMAT_TRACKS and IOCTL_DISK_FORMAT_TRACKS_EX on a volume
// handle, as the NT disk drivers below a diskette volume take them.
//
// The internal floppy driver checks the whole request before it touches
// the medium: a media type that is not one of the drive's, cylinders and
// heads outside that type's geometry, or an end before the start, are
// ERROR_INVALID_PARAMETER. It lays each track down with the type's sectors
// (or, for the extended request, the request's own sectors per track and
// sector numbers, which is how it lays down layouts its table lacks, such
// as the 21-sector distribution format) and does not verify them.
//
// The USB floppy class driver formats only the 3.5" types of its table
// (any other is ERROR_INVALID_PARAMETER), one FORMAT UNIT command per
// track; the drive itself refuses a layout the medium cannot take
// (ERROR_UNRECOGNIZED_MEDIA). It has no extended request
// (ERROR_INVALID_FUNCTION).
//
// A disk of large removable media has no tracks to format
// (ERROR_INVALID_FUNCTION).
#include <cstring>
#include <vector>

#include "devices/diskette_drives.h"
#include "devices/volume.h"
#include "kernel32/standin.h"

namespace {

// The record of FORMAT_EX_PARAMETERS up to its sector numbers.
constexpr DWORD kFormatExHeaderBytes = 5 * sizeof(DWORD) + 2 * sizeof(WORD);

const MEDIA_TYPE kUsbFormatTypes[] = {F3_640_512, F3_720_512, F3_1Pt2_512, F3_1Pt44_512};

bool Takes(const DriveInfo& drive, MEDIA_TYPE type) {
  if (drive.usb) {
    for (MEDIA_TYPE t : kUsbFormatTypes)
      if (t == type) return true;
    return false;
  }
  for (MEDIA_TYPE t : drive.mediaTypes)
    if (t == type) return true;
  return false;
}

std::string TraceFormatParameters(const FORMAT_PARAMETERS& p) {
  return TraceWord("MediaType", p.MediaType) +
         TraceWord("StartCylinderNumber", p.StartCylinderNumber) +
         TraceWord("EndCylinderNumber", p.EndCylinderNumber) +
         TraceWord("StartHeadNumber", p.StartHeadNumber) +
         TraceWord("EndHeadNumber", p.EndHeadNumber);
}

// The media type's geometry when the drive formats it and the request's
// tracks lie within it.
DWORD CheckParameters(const DriveInfo& drive, const FORMAT_PARAMETERS& p, MediaTypeShape* shape) {
  if (!Takes(drive, p.MediaType) || !MediaTypeShapeOf(p.MediaType, shape))
    return ERROR_INVALID_PARAMETER;
  if (shape->bytesPerSector != 512)
    StandInUnsupported("DeviceIoControl", "formatting sectors of other than 512 bytes");
  if (p.StartCylinderNumber > p.EndCylinderNumber ||
      p.EndCylinderNumber >= DWORD(shape->cylinders) || p.StartHeadNumber > p.EndHeadNumber ||
      p.EndHeadNumber >= DWORD(shape->heads))
    return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

// The tracks of a checked request, each laid down with the sector numbers
// given.
DWORD FormatTracks(Volume* volume, const FORMAT_PARAMETERS& p, const MediaTypeShape& shape,
                   const std::vector<uint16_t>& numbers) {
  DiskMedium* medium = volume->medium;
  const DiskLayout layout{int(numbers.size()), shape.heads, shape.cylinders};
  for (DWORD c = p.StartCylinderNumber; c <= p.EndCylinderNumber; ++c) {
    for (DWORD h = p.StartHeadNumber; h <= p.EndHeadNumber; ++h) {
      DWORD error = medium->methods->formatTrack(medium, int(c), int(h), layout, numbers.data(),
                                                 int(numbers.size()));
      if (error != ERROR_SUCCESS) return error;
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace

// The media type's standard layout, sectors numbered from 1.
DWORD FormatTracksRequest(Volume* volume, const void* in, DWORD inSize, std::string* trace) {
  DriveInfo drive;
  volume->medium->methods->describeDrive(volume->medium, &drive);
  if (!drive.diskette) return ERROR_INVALID_FUNCTION;
  if (inSize < sizeof(FORMAT_PARAMETERS)) {
    *trace = TraceWord("inSize", inSize);
    return ERROR_INVALID_PARAMETER;
  }
  FORMAT_PARAMETERS p;
  memcpy(&p, in, sizeof p);
  *trace = TraceFormatParameters(p);
  MediaTypeShape shape;
  DWORD error = CheckParameters(drive, p, &shape);
  if (error != ERROR_SUCCESS) return error;
  std::vector<uint16_t> numbers;
  for (int s = 1; s <= shape.sectorsPerTrack; ++s) numbers.push_back(uint16_t(s));
  return FormatTracks(volume, p, shape, numbers);
}

// The media type's cylinders and heads, with the request's own sectors per
// track and their numbers (in their order on the track, so also an
// interleave). A sector's number is one byte in the controller's ID
// field, and the sectors must fit a track at a density the drive has.
DWORD FormatTracksExRequest(Volume* volume, const void* in, DWORD inSize, std::string* trace) {
  DriveInfo drive;
  volume->medium->methods->describeDrive(volume->medium, &drive);
  if (!drive.diskette || drive.usb) return ERROR_INVALID_FUNCTION;
  if (inSize < kFormatExHeaderBytes) {
    *trace = TraceWord("inSize", inSize);
    return ERROR_INVALID_PARAMETER;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(in);
  FORMAT_PARAMETERS p;
  memcpy(&p, bytes, sizeof p);
  WORD gap, sectors;
  memcpy(&gap, bytes + sizeof p, sizeof gap);
  memcpy(&sectors, bytes + sizeof p + sizeof gap, sizeof sectors);
  *trace = TraceFormatParameters(p) + TraceWord("FormatGapLength", gap) +
           TraceWord("SectorsPerTrack", sectors);
  if (sectors == 0 || inSize < kFormatExHeaderBytes + sectors * sizeof(WORD))
    return ERROR_INVALID_PARAMETER;
  std::vector<uint16_t> numbers(sectors);
  memcpy(numbers.data(), bytes + kFormatExHeaderBytes, sectors * sizeof(WORD));
  std::string list;
  for (uint16_t n : numbers) list += (list.empty() ? "" : ",") + std::to_string(n);
  *trace += " SectorNumber=" + list;
  for (uint16_t n : numbers) {
    if (n > 255) return ERROR_INVALID_PARAMETER;
  }
  if (!DriveTakesDensity(drive.type, DensityOfSectors(sectors))) return ERROR_INVALID_PARAMETER;
  MediaTypeShape shape;
  DWORD error = CheckParameters(drive, p, &shape);
  return error != ERROR_SUCCESS ? error : FormatTracks(volume, p, shape, numbers);
}
