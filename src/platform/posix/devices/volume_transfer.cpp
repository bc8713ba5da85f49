// ReadFile and WriteFile on a volume handle: raw sectors from the handle's
// position.
//
// Raw volume access on Windows NT goes by whole sectors: a position or a
// length that is not a multiple of 512 fails with ERROR_INVALID_PARAMETER.
// The volume ends where the medium does: a transfer reaching past the end
// is cut short, and one starting at or past the end moves nothing and
// succeeds, so a reader finds the end of a medium by a short read.
//
// A diskette is reached through the geometry the disk driver finds at the
// time of the transfer (volume_geometry.cpp), sector S of cylinder C, head
// H lying at ((C x heads + H) x sectors + S - 1) x 512 on the volume, at
// the recognised format's data rate; each track's part of a transfer is
// one request to the medium. A track that lacks a sector, or was laid down
// at another density, fails with ERROR_SECTOR_NOT_FOUND, one that does not
// read back with ERROR_CRC. A medium the driver does not recognise fails
// with ERROR_UNRECOGNIZED_MEDIA ("the disk media is not recognized; it may
// not be formatted").
//
// A failure stops the transfer: the call fails with the medium's error and
// reports as done the bytes of the sectors before the failing one. The
// position moves on by a successful transfer only.
#include <algorithm>

#include "devices/device_trace.h"
#include "devices/volume.h"
#include "kernel32/handles.h"
#include "kernel32/standard_streams.h"
#include "kernel32/standin.h"

namespace {

constexpr uint32_t kSectorBytes = 512;

// One track's sectors; `buffer` is written on a read and read on a write.
DWORD TrackRequest(DiskMedium* medium, bool write, int cylinder, int head, int sector, int count,
                   Density density, uint8_t* buffer) {
  const MediumMethods* m = medium->methods;
  return write ? m->writeSectors(medium, cylinder, head, sector, count, density, buffer)
               : m->readSectors(medium, cylinder, head, sector, count, density, buffer);
}

// A track request that fails for want of a sector is done again sector by
// sector, to transfer those before the missing one as a controller does.
// Nothing else is retried: a failing track would use up its fault once more.
DWORD TrackTransfer(DiskMedium* medium, bool write, int cylinder, int head, int sector, int count,
                    Density density, uint8_t* buffer, uint32_t* done) {
  DWORD error = TrackRequest(medium, write, cylinder, head, sector, count, density, buffer);
  if (error == ERROR_SUCCESS) {
    *done += uint32_t(count) * kSectorBytes;
  } else if (error == ERROR_SECTOR_NOT_FOUND && count > 1) {
    for (int i = 0; i < count; ++i) {
      error = TrackRequest(medium, write, cylinder, head, sector + i, 1, density,
                           buffer + i * kSectorBytes);
      if (error != ERROR_SUCCESS) return error;
      *done += kSectorBytes;
    }
  }
  return error;
}

// The sectors of a request that lie on the volume.
uint64_t SectorsWithin(const VolumeGeometry& g, uint64_t first, uint32_t length) {
  const uint64_t total = g.largeRemovable
                             ? g.sizeBytes / kSectorBytes
                             : uint64_t(g.sectorsPerTrack) * g.heads * g.cylinders;
  return first >= total ? 0 : std::min<uint64_t>(length / kSectorBytes, total - first);
}

DWORD DisketteTransfer(DiskMedium* medium, const VolumeGeometry& g, bool write, uint64_t first,
                       uint8_t* buffer, uint64_t count, uint32_t* done) {
  if (!g.recognised) return ERROR_UNRECOGNIZED_MEDIA;
  for (uint64_t lba = first; lba < first + count;) {
    int sector = int(lba % g.sectorsPerTrack);
    uint64_t track = lba / g.sectorsPerTrack;
    int run = int(std::min<uint64_t>(g.sectorsPerTrack - sector, first + count - lba));
    DWORD error = TrackTransfer(medium, write, int(track / g.heads), int(track % g.heads),
                                sector + 1, run, g.density, buffer + *done, done);
    if (error != ERROR_SUCCESS) return error;
    lba += uint64_t(run);
  }
  return ERROR_SUCCESS;
}

DWORD TransferThrough(DiskMedium* medium, const VolumeGeometry& g, bool write, uint64_t first,
                      uint8_t* buffer, uint32_t length, uint32_t* done) {
  const uint64_t count = SectorsWithin(g, first, length);
  if (count == 0) return ERROR_SUCCESS;
  if (!g.largeRemovable) return DisketteTransfer(medium, g, write, first, buffer, count, done);
  const uint64_t offset = first * kSectorBytes;
  return write ? medium->methods->writeBytes(medium, offset, buffer, length, done)
               : medium->methods->readBytes(medium, offset, buffer, length, done);
}

DWORD VolumeTransfer(Volume* volume, bool write, uint8_t* buffer, uint32_t length, uint32_t* done) {
  *done = 0;
  if ((volume->access & (write ? GENERIC_WRITE : GENERIC_READ)) == 0) return ERROR_ACCESS_DENIED;
  VolumeGeometry g;
  DWORD error = FindVolumeGeometry(volume->medium, &g);
  if (error != ERROR_SUCCESS) return error;
  if (volume->position % kSectorBytes != 0 || length % kSectorBytes != 0)
    return ERROR_INVALID_PARAMETER;
  const uint64_t first = volume->position / kSectorBytes;
  if (write) {
    error = MountedWriteRefusal(volume, first, SectorsWithin(g, first, length));
    if (error != ERROR_SUCCESS) return error;
  }
  return TransferThrough(volume->medium, g, write, first, buffer, length, done);
}

BOOL TransferCall(const char* call, bool write, HANDLE file, uint8_t* buffer, DWORD length,
                  LPDWORD done, LPOVERLAPPED overlapped) {
  if (overlapped != nullptr) StandInUnsupported(call, "overlapped transfers");
  if (done == nullptr) StandInUnsupported(call, "a null count (Windows writes it)");
  if (buffer == nullptr && length != 0) StandInUnsupported(call, "a null buffer");
  *done = 0;
  DWORD error;
  {
    HandleUse use(file, kHandleVolume);
    if (!use.valid()) {
      error = ERROR_INVALID_HANDLE;
    } else {
      Volume* volume = static_cast<Volume*>(use.object());
      uint32_t moved = 0;
      error = VolumeTransfer(volume, write, buffer, length, &moved);
      *done = moved;
      if (error == ERROR_SUCCESS) volume->position += moved;
    }
  }
  bool failed = error != ERROR_SUCCESS;
  if (DeviceTraceOn())
    WriteDeviceTrace(call + TraceHandle(file) + TraceWord("length", length) +
                     TraceWord("done", *done) + TraceResult(failed ? FALSE : TRUE, failed, error));
  if (failed) SetLastError(error);
  return failed ? FALSE : TRUE;
}

}  // namespace

DWORD TransferVolumeSectors(DiskMedium* medium, bool write, uint64_t first, uint8_t* buffer,
                            uint32_t length, uint32_t* done) {
  *done = 0;
  VolumeGeometry g;
  DWORD error = FindVolumeGeometry(medium, &g);
  return error != ERROR_SUCCESS ? error
                                : TransferThrough(medium, g, write, first, buffer, length, done);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
  return TransferCall("ReadFile", false, file, static_cast<uint8_t*>(buffer), bytesToRead,
                      bytesRead, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
  BOOL streamResult;
  if (WriteStandardStream(file, buffer, bytesToWrite, bytesWritten, &streamResult)) return streamResult;
  // Only read from on a write.
  return TransferCall("WriteFile", true, file, static_cast<uint8_t*>(const_cast<void*>(buffer)),
                      bytesToWrite, bytesWritten, overlapped);
}
