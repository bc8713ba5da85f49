// DeviceIoControl: the volume and disk requests on a volume handle (the
// lock, the dismount, the drive's geometry and media types; the format
// requests are in volume_format.cpp), and the hand-over of a VWIN32
// handle's requests to the VWIN32 service (which traces them itself).
//
// A control code carries the access it needs in bits 14 and 15 (1: read,
// 2: write); a handle opened without it is refused ERROR_ACCESS_DENIED, as
// the I/O manager does. Formatting needs both.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "devices/device_trace.h"
#include "devices/diskette_drives.h"
#include "devices/volume.h"
#include "kernel32/handles.h"
#include "kernel32/standin.h"
#include "vwin32/vwin32_service.h"

namespace {

// The trace's words of one request: its input before the result, its
// output after.
struct TraceParts {
  std::string input;
  std::string output;
};

std::string TraceGeometry(const DISK_GEOMETRY& g) {
  return TraceWord("Cylinders", uint64_t(g.Cylinders.QuadPart)) +
         TraceWord("MediaType", g.MediaType) +
         TraceWord("TracksPerCylinder", g.TracksPerCylinder) +
         TraceWord("SectorsPerTrack", g.SectorsPerTrack) +
         TraceWord("BytesPerSector", g.BytesPerSector);
}

DISK_GEOMETRY DiskGeometryOf(const VolumeGeometry& v) {
  DISK_GEOMETRY g = {};
  g.Cylinders.QuadPart = v.cylinders;
  g.MediaType = v.mediaType;
  g.TracksPerCylinder = DWORD(v.heads);
  g.SectorsPerTrack = DWORD(v.sectorsPerTrack);
  g.BytesPerSector = 512;
  return g;
}

// IOCTL_DISK_GET_DRIVE_GEOMETRY: the medium as the disk driver finds it.
DWORD GetDriveGeometry(Volume* volume, LPVOID out, DWORD outSize, LPDWORD returned,
                       TraceParts* trace) {
  if (outSize < sizeof(DISK_GEOMETRY)) return ERROR_INSUFFICIENT_BUFFER;
  if (out == nullptr) StandInUnsupported("DeviceIoControl", "a null output buffer");
  VolumeGeometry v;
  DWORD error = FindVolumeGeometry(volume->medium, &v);
  if (error != ERROR_SUCCESS) return error;
  DISK_GEOMETRY geometry = DiskGeometryOf(v);
  memcpy(out, &geometry, sizeof geometry);
  *returned = sizeof geometry;
  trace->output = TraceGeometry(geometry);
  return ERROR_SUCCESS;
}

// IOCTL_DISK_GET_MEDIA_TYPES: one DISK_GEOMETRY for each media type the
// drive takes, highest capacity first; a diskette drive answers with no
// medium in it, a disk of large removable media with the geometry of the
// medium it holds. Room for fewer fills what fits and fails with
// ERROR_MORE_DATA, the bytes returned set.
DWORD GetMediaTypes(Volume* volume, LPVOID out, DWORD outSize, LPDWORD returned,
                    TraceParts* trace) {
  if (outSize < sizeof(DISK_GEOMETRY)) return ERROR_INSUFFICIENT_BUFFER;
  if (out == nullptr) StandInUnsupported("DeviceIoControl", "a null output buffer");
  DiskMedium* medium = volume->medium;
  DriveInfo drive;
  medium->methods->describeDrive(medium, &drive);
  std::vector<DISK_GEOMETRY> types;
  if (drive.diskette) {
    for (MEDIA_TYPE type : drive.mediaTypes) {
      MediaTypeShape shape;
      if (!MediaTypeShapeOf(type, &shape)) continue;
      DISK_GEOMETRY g = {};
      g.Cylinders.QuadPart = shape.cylinders;
      g.MediaType = type;
      g.TracksPerCylinder = DWORD(shape.heads);
      g.SectorsPerTrack = DWORD(shape.sectorsPerTrack);
      g.BytesPerSector = DWORD(shape.bytesPerSector);
      types.push_back(g);
    }
  } else {
    VolumeGeometry v;
    DWORD error = FindVolumeGeometry(medium, &v);
    if (error != ERROR_SUCCESS) return error;
    types.push_back(DiskGeometryOf(v));
  }
  const size_t room = outSize / sizeof(DISK_GEOMETRY);
  const size_t given = std::min(room, types.size());
  if (given > 0) memcpy(out, types.data(), given * sizeof(DISK_GEOMETRY));  // a drive may list none
  *returned = DWORD(given * sizeof(DISK_GEOMETRY));
  std::string list;
  for (size_t i = 0; i < given; ++i)
    list += (i == 0 ? "" : ",") + std::to_string(types[i].MediaType);
  trace->output = TraceWord("count", given) + " MediaTypes=" + list;
  return given < types.size() ? ERROR_MORE_DATA : ERROR_SUCCESS;
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
    {IOCTL_DISK_GET_MEDIA_TYPES, "IOCTL_DISK_GET_MEDIA_TYPES"},
    {IOCTL_DISK_CHECK_VERIFY, "IOCTL_DISK_CHECK_VERIFY"},
    {IOCTL_DISK_FORMAT_TRACKS, "IOCTL_DISK_FORMAT_TRACKS"},
    {IOCTL_DISK_FORMAT_TRACKS_EX, "IOCTL_DISK_FORMAT_TRACKS_EX"},
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
      return DismountVolume(volume);
    case IOCTL_DISK_CHECK_VERIFY:
      return CheckVerify(volume);
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
      return GetDriveGeometry(volume, out, outSize, returned, trace);
    case IOCTL_DISK_GET_MEDIA_TYPES:
      return GetMediaTypes(volume, out, outSize, returned, trace);
    case IOCTL_DISK_FORMAT_TRACKS:
      return FormatTracksRequest(volume, in, inSize, &trace->input);
    case IOCTL_DISK_FORMAT_TRACKS_EX:
      return FormatTracksExRequest(volume, in, inSize, &trace->input);
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
