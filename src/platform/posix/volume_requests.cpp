// DeviceIoControl: the volume and disk requests on a volume handle, and the
// hand-over of a VWIN32 handle's requests to the VWIN32 service (which
// traces them itself).
//
// A control code carries the access it needs in bits 14 and 15 (1: read,
// 2: write); a handle opened without it is refused ERROR_ACCESS_DENIED, as
// the I/O manager does. Formatting needs both.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/posix/device_trace.h"
#include "platform/posix/handles.h"
#include "platform/posix/standin.h"
#include "platform/posix/volume.h"
#include "platform/posix/vwin32_service.h"

namespace {

constexpr DWORD kSectorBytes = 512;

// The record of FORMAT_EX_PARAMETERS up to its sector numbers.
constexpr DWORD kFormatExHeaderBytes = 5 * sizeof(DWORD) + 2 * sizeof(WORD);

// The trace's words of one request: its input before the result, its
// output after.
struct TraceParts {
  std::string input;
  std::string output;
};

// The diskette media types the floppy driver formats, with the standard
// format each lays down.
struct MediaTypeFormat {
  MEDIA_TYPE type;
  MediumFormat format;
};
const MediaTypeFormat kMediaTypes[] = {
    {F5_160_512, MediumFormat::k160K},    {F5_180_512, MediumFormat::k180K},
    {F5_320_512, MediumFormat::k320K},    {F5_360_512, MediumFormat::k360K},
    {F3_720_512, MediumFormat::k720K},    {F5_1Pt2_512, MediumFormat::k1200K},
    {F3_1Pt44_512, MediumFormat::k1440K}, {F3_2Pt88_512, MediumFormat::k2880K},
};

bool LayoutOfMediaType(MEDIA_TYPE type, DiskLayout* layout) {
  for (const MediaTypeFormat& m : kMediaTypes) {
    if (m.type != type) continue;
    const MediumGeometry& g = GeometryOf(m.format);
    *layout = DiskLayout{g.sectorsPerTrack, g.heads, g.cylinders};
    return true;
  }
  return false;
}

// The media type reported for a diskette read in `layout`: that of the
// standard format with the same cylinders and heads and the nearest sector
// count (the fewer sectors on a tie). MEDIA_TYPE has no value of its own
// for a format beyond the standard ones, such as the 21-sector 1.68 MB
// distribution format; such a diskette is recorded at the density of the
// 1.44 MB one and is reported with that type, but with its own sector count
// in SectorsPerTrack, so that a program which takes the sectors from the
// geometry reads it whole. Unknown when no standard format has the same
// cylinders and heads.
MEDIA_TYPE MediaTypeOfLayout(const DiskLayout& layout) {
  MEDIA_TYPE best = Unknown;
  int bestDistance = 0;
  for (const MediaTypeFormat& m : kMediaTypes) {
    const MediumGeometry& g = GeometryOf(m.format);
    if (g.cylinders != layout.cylinders || g.heads != layout.heads) continue;
    int distance = g.sectorsPerTrack - layout.sectorsPerTrack;
    if (distance < 0) distance = -distance;
    if (best == Unknown || distance < bestDistance ||
        (distance == bestDistance && g.sectorsPerTrack < layout.sectorsPerTrack)) {
      best = m.type;
      bestDistance = distance;
    }
  }
  return best;
}

// IOCTL_DISK_GET_DRIVE_GEOMETRY. A large removable medium has no real
// cylinders: it is reported, as disk drivers do, with 64 heads of 32
// sectors and as many whole cylinders as fit.
DWORD GetDriveGeometry(Volume* volume, LPVOID out, DWORD outSize, LPDWORD returned,
                       TraceParts* trace) {
  if (outSize < sizeof(DISK_GEOMETRY)) return ERROR_INSUFFICIENT_BUFFER;
  if (out == nullptr) StandInUnsupported("DeviceIoControl", "a null output buffer");
  MediumInfo info;
  DWORD error = volume->medium->methods->query(volume->medium, &info);
  if (error != ERROR_SUCCESS) return error;
  DISK_GEOMETRY geometry = {};
  geometry.BytesPerSector = kSectorBytes;
  if (info.largeRemovable) {
    geometry.MediaType = RemovableMedia;
    geometry.TracksPerCylinder = 64;
    geometry.SectorsPerTrack = 32;
    geometry.Cylinders.QuadPart = LONGLONG(info.sizeBytes / (64 * 32 * kSectorBytes));
  } else {
    if (info.layout.sectorsPerTrack == 0) return ERROR_UNRECOGNIZED_MEDIA;
    geometry.MediaType = MediaTypeOfLayout(info.layout);
    geometry.TracksPerCylinder = DWORD(info.layout.heads);
    geometry.SectorsPerTrack = DWORD(info.layout.sectorsPerTrack);
    geometry.Cylinders.QuadPart = info.layout.cylinders;
  }
  memcpy(out, &geometry, sizeof geometry);
  *returned = sizeof geometry;
  trace->output = TraceWord("Cylinders", uint64_t(geometry.Cylinders.QuadPart)) +
                  TraceWord("MediaType", geometry.MediaType) +
                  TraceWord("TracksPerCylinder", geometry.TracksPerCylinder) +
                  TraceWord("SectorsPerTrack", geometry.SectorsPerTrack) +
                  TraceWord("BytesPerSector", geometry.BytesPerSector);
  return ERROR_SUCCESS;
}

// The tracks of a format request, each laid down with the sector numbers
// given. The floppy driver checks the whole request before it touches the
// medium: a media type it does not format, or cylinders and heads outside
// that type's, are ERROR_INVALID_PARAMETER. A large removable medium has no
// tracks to format (ERROR_INVALID_FUNCTION).
DWORD FormatTracks(Volume* volume, const FORMAT_PARAMETERS& p, DiskLayout layout,
                   const std::vector<uint16_t>& numbers) {
  if (p.StartCylinderNumber > p.EndCylinderNumber ||
      p.EndCylinderNumber >= DWORD(layout.cylinders) || p.StartHeadNumber > p.EndHeadNumber ||
      p.EndHeadNumber >= DWORD(layout.heads))
    return ERROR_INVALID_PARAMETER;
  DiskMedium* medium = volume->medium;
  MediumInfo info;
  DWORD error = medium->methods->query(medium, &info);
  if (error != ERROR_SUCCESS) return error;
  if (info.largeRemovable) return ERROR_INVALID_FUNCTION;
  for (DWORD c = p.StartCylinderNumber; c <= p.EndCylinderNumber; ++c) {
    for (DWORD h = p.StartHeadNumber; h <= p.EndHeadNumber; ++h) {
      error = medium->methods->formatTrack(medium, int(c), int(h), layout, numbers.data(),
                                           int(numbers.size()));
      if (error != ERROR_SUCCESS) return error;
    }
  }
  return ERROR_SUCCESS;
}

std::string TraceFormatParameters(const FORMAT_PARAMETERS& p) {
  return TraceWord("MediaType", p.MediaType) +
         TraceWord("StartCylinderNumber", p.StartCylinderNumber) +
         TraceWord("EndCylinderNumber", p.EndCylinderNumber) +
         TraceWord("StartHeadNumber", p.StartHeadNumber) +
         TraceWord("EndHeadNumber", p.EndHeadNumber);
}

// IOCTL_DISK_FORMAT_TRACKS: the media type's standard layout, sectors
// numbered from 1.
DWORD FormatStandard(Volume* volume, LPVOID in, DWORD inSize, TraceParts* trace) {
  if (inSize < sizeof(FORMAT_PARAMETERS)) {
    trace->input = TraceWord("inSize", inSize);
    return ERROR_INVALID_PARAMETER;
  }
  FORMAT_PARAMETERS p;
  memcpy(&p, in, sizeof p);
  trace->input = TraceFormatParameters(p);
  DiskLayout layout;
  if (!LayoutOfMediaType(p.MediaType, &layout)) return ERROR_INVALID_PARAMETER;
  std::vector<uint16_t> numbers;
  for (int s = 1; s <= layout.sectorsPerTrack; ++s) numbers.push_back(uint16_t(s));
  return FormatTracks(volume, p, layout, numbers);
}

// IOCTL_DISK_FORMAT_TRACKS_EX: the media type's cylinders and heads, with
// the request's own sectors per track and their numbers (in their order on
// the track, so also an interleave or the 21 sectors of a 1.68 MB format).
// A sector's number is one byte in the controller's ID field.
DWORD FormatExtended(Volume* volume, LPVOID in, DWORD inSize, TraceParts* trace) {
  if (inSize < kFormatExHeaderBytes) {
    trace->input = TraceWord("inSize", inSize);
    return ERROR_INVALID_PARAMETER;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(in);
  FORMAT_PARAMETERS p;
  memcpy(&p, bytes, sizeof p);
  WORD gap, sectors;
  memcpy(&gap, bytes + sizeof p, sizeof gap);
  memcpy(&sectors, bytes + sizeof p + sizeof gap, sizeof sectors);
  trace->input = TraceFormatParameters(p) + TraceWord("FormatGapLength", gap) +
                 TraceWord("SectorsPerTrack", sectors);
  if (sectors == 0 || inSize < kFormatExHeaderBytes + sectors * sizeof(WORD))
    return ERROR_INVALID_PARAMETER;
  std::vector<uint16_t> numbers(sectors);
  memcpy(numbers.data(), bytes + kFormatExHeaderBytes, sectors * sizeof(WORD));
  std::string list;
  for (uint16_t n : numbers) list += (list.empty() ? "" : ",") + std::to_string(n);
  trace->input += " SectorNumber=" + list;
  for (uint16_t n : numbers) {
    if (n > 255) return ERROR_INVALID_PARAMETER;
  }
  DiskLayout layout;
  if (!LayoutOfMediaType(p.MediaType, &layout)) return ERROR_INVALID_PARAMETER;
  layout.sectorsPerTrack = sectors;
  return FormatTracks(volume, p, layout, numbers);
}

// IOCTL_DISK_GET_MEDIA_TYPES: the diskette media types the floppy driver
// formats, or a large medium's own geometry.
DWORD GetMediaTypes(Volume* volume, LPVOID out, DWORD outSize, LPDWORD returned) {
  if (outSize < sizeof(DISK_GEOMETRY)) return ERROR_INSUFFICIENT_BUFFER;
  std::vector<DISK_GEOMETRY> types;
  MediumInfo info{};
  if (volume->medium->methods->query(volume->medium, &info) == ERROR_SUCCESS && info.largeRemovable) {
    DISK_GEOMETRY g = {};
    g.MediaType = RemovableMedia;
    g.TracksPerCylinder = 64;
    g.SectorsPerTrack = 32;
    g.BytesPerSector = kSectorBytes;
    g.Cylinders.QuadPart = LONGLONG(info.sizeBytes / (64 * 32 * kSectorBytes));
    types.push_back(g);
  } else {
    for (const MediaTypeFormat& m : kMediaTypes) {
      const MediumGeometry& mg = GeometryOf(m.format);
      DISK_GEOMETRY g = {};
      g.MediaType = m.type;
      g.Cylinders.QuadPart = mg.cylinders;
      g.TracksPerCylinder = DWORD(mg.heads);
      g.SectorsPerTrack = DWORD(mg.sectorsPerTrack);
      g.BytesPerSector = kSectorBytes;
      types.push_back(g);
    }
  }
  const size_t fit = std::min<size_t>(types.size(), outSize / sizeof(DISK_GEOMETRY));
  memcpy(out, types.data(), fit * sizeof(DISK_GEOMETRY));
  *returned = DWORD(fit * sizeof(DISK_GEOMETRY));
  return fit < types.size() ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

DWORD Dismount(Volume* volume) {
  MediumInfo info;
  DWORD error = volume->medium->methods->query(volume->medium, &info);
  if (error == ERROR_SUCCESS) volume->medium->methods->flush(volume->medium);
  return error;
}

DWORD CheckVerify(Volume* volume) {
  MediumInfo info;
  return volume->medium->methods->query(volume->medium, &info);
}

struct ControlRequest {
  DWORD code;
  const char* name;
};
const ControlRequest kRequests[] = {
    {FSCTL_LOCK_VOLUME, "FSCTL_LOCK_VOLUME"},
    {FSCTL_UNLOCK_VOLUME, "FSCTL_UNLOCK_VOLUME"},
    {FSCTL_DISMOUNT_VOLUME, "FSCTL_DISMOUNT_VOLUME"},
    {IOCTL_DISK_GET_DRIVE_GEOMETRY, "IOCTL_DISK_GET_DRIVE_GEOMETRY"},
    {IOCTL_DISK_CHECK_VERIFY, "IOCTL_DISK_CHECK_VERIFY"},
    {IOCTL_DISK_FORMAT_TRACKS, "IOCTL_DISK_FORMAT_TRACKS"},
    {IOCTL_DISK_FORMAT_TRACKS_EX, "IOCTL_DISK_FORMAT_TRACKS_EX"},
    {IOCTL_DISK_GET_MEDIA_TYPES, "IOCTL_DISK_GET_MEDIA_TYPES"},
};

DWORD VolumeRequest(Volume* volume, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                    LPDWORD returned, TraceParts* trace) {
  const DWORD needs = (code >> 14) & 3;  // 1: read access, 2: write access
  if (((needs & 1) != 0 && (volume->access & GENERIC_READ) == 0) ||
      ((needs & 2) != 0 && (volume->access & GENERIC_WRITE) == 0))
    return ERROR_ACCESS_DENIED;
  switch (code) {
    case FSCTL_LOCK_VOLUME:
      return LockVolume(volume);
    case FSCTL_UNLOCK_VOLUME:
      return UnlockVolume(volume);
    case FSCTL_DISMOUNT_VOLUME:
      return Dismount(volume);
    case IOCTL_DISK_CHECK_VERIFY:
      return CheckVerify(volume);
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return GetDriveGeometry(volume, out, outSize, returned, trace);
    case IOCTL_DISK_FORMAT_TRACKS:
      return FormatStandard(volume, in, inSize, trace);
    case IOCTL_DISK_FORMAT_TRACKS_EX:
      return FormatExtended(volume, in, inSize, trace);
    case IOCTL_DISK_GET_MEDIA_TYPES:
      return GetMediaTypes(volume, out, outSize, returned);
    default:
      return ERROR_INVALID_FUNCTION;  // not in kRequests: refused before
  }
}

}  // namespace

BOOL DeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                     LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                     LPOVERLAPPED overlapped) {
  if (overlapped != nullptr) StandInUnsupported("DeviceIoControl", "overlapped requests");
  if (inBuffer == nullptr && inSize != 0)
    StandInUnsupported("DeviceIoControl", "a null input buffer");
  HandleUse use(device);
  if (!use.valid()) return FALSE;
  if (use.kind() == kHandleVwin32) {
    return Vwin32Request(static_cast<Vwin32Handle*>(use.object())->service, controlCode, inBuffer,
                         inSize, outBuffer, outSize, bytesReturned);
  }
  if (use.kind() != kHandleVolume) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (bytesReturned == nullptr)
    StandInUnsupported("DeviceIoControl", "a null count (Windows writes it)");
  const ControlRequest* request = nullptr;
  for (const ControlRequest& r : kRequests) {
    if (r.code == controlCode) request = &r;
  }
  if (request == nullptr) {
    char what[48];
    snprintf(what, sizeof what, "control code 0x%08" PRIX32 " on a volume", controlCode);
    StandInUnsupported("DeviceIoControl", what);
  }
  *bytesReturned = 0;
  TraceParts trace;
  DWORD error = VolumeRequest(static_cast<Volume*>(use.object()), controlCode, inBuffer, inSize,
                              outBuffer, outSize, bytesReturned, &trace);
  bool failed = error != ERROR_SUCCESS;
  if (DeviceTraceOn())
    WriteDeviceTrace("DeviceIoControl" + TraceHandle(device) + " code=" + request->name +
                     trace.input + TraceResult(failed ? FALSE : TRUE, failed, error) +
                     trace.output);
  if (failed) SetLastError(error);
  return failed ? FALSE : TRUE;
}
