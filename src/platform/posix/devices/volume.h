// A volume handle ("\\.\A:") of the stand-in: what one CreateFileA of a
// drive holds (the drive's medium, the access asked for, the position of
// the next transfer), and what the NT drivers and file systems keep about
// the volume behind it (the medium as the disk driver recognises it, the
// lock, the mounted file system), shared by the calls on it
// (volume_handle.cpp, volume_transfer.cpp, volume_requests.cpp,
// volume_format.cpp, volume_geometry.cpp, volume_mount.cpp). Internal to the
// stand-in.
//
// The medium record belongs to the drive table: a test that replaces the
// table must first close its volume handles.
#ifndef ZOLT_PLATFORM_POSIX_VOLUME_H
#define ZOLT_PLATFORM_POSIX_VOLUME_H

#include <cstdint>
#include <string>

#include "devices/disk_medium.h"

struct Volume {
  HANDLE handle;       // its own handle value, for the trace
  DiskMedium* medium;  // the drive's medium record
  DWORD access;        // GENERIC_READ and GENERIC_WRITE as opened
  uint64_t position;   // of the next ReadFile or WriteFile
};

// A VWIN32 handle ("\\.\vwin32"): the service's object.
struct Vwin32Handle {
  HANDLE handle;  // its own handle value, for the trace
  void* service;
};

// The medium as the disk driver under the volume sees it now.
struct VolumeGeometry {
  bool largeRemovable;   // a disk of large removable media: bytes, no tracks
  uint64_t sizeBytes;    // large removable media: the size
  MEDIA_TYPE mediaType;  // diskettes: the media type recognised (or the default)
  int cylinders, heads, sectorsPerTrack;  // diskettes: that media type's
  Density density;       // diskettes: the data rate of its transfers
  bool recognised;       // false: a USB drive answering for a medium it does
                         // not know with its default geometry; its
                         // transfers fail (ERROR_UNRECOGNIZED_MEDIA)
};

// What IOCTL_DISK_GET_DRIVE_GEOMETRY finds. The internal floppy driver
// recognises the medium by cylinder 0 head 0 as the first of the drive's
// media types, from the highest capacity down, that the track carries
// (ERROR_UNRECOGNIZED_MEDIA for none); the USB floppy class driver matches
// the capacity the drive reports. ERROR_NOT_READY without a medium.
DWORD FindVolumeGeometry(DiskMedium* medium, VolumeGeometry* geometry);

// Sectors of the volume from sector `first`, at most `length` bytes of
// whole sectors, through the geometry found now. The volume ends where the
// recognised format does: what lies beyond is not moved. A failure stops
// the transfer, with the bytes of the sectors before it in `done`.
DWORD TransferVolumeSectors(DiskMedium* medium, bool write, uint64_t first, uint8_t* buffer,
                            uint32_t length, uint32_t* done);

// FSCTL_LOCK_VOLUME and FSCTL_UNLOCK_VOLUME: one handle at a time holds a
// volume's lock; another handle's lock is refused (ERROR_ACCESS_DENIED) and
// only the holder can unlock (otherwise ERROR_NOT_LOCKED). Closing the
// holder's handle ends its lock (CloseVolumeState).
DWORD LockVolume(Volume* volume);
DWORD UnlockVolume(Volume* volume);

// The file system of a volume. A handle opened on a volume mounts it
// afresh (unless another handle holds its lock): a FAT file system when
// its sector 0 is a FAT boot sector, else RAW. FSCTL_DISMOUNT_VOLUME
// dismounts it until the next handle is opened.
void OpenVolumeState(Volume* volume);
void CloseVolumeState(Volume* volume);
DWORD DismountVolume(Volume* volume);

// Windows 6.0 and later refuse a write through a volume handle to the area
// of a mounted file system other than its boot sector unless that handle
// holds the volume's lock (ERROR_ACCESS_DENIED); earlier versions and a
// RAW volume let it through. 0 when the write of `count` sectors from
// `first` may go ahead.
DWORD MountedWriteRefusal(Volume* volume, uint64_t first, uint64_t count);

// IOCTL_DISK_FORMAT_TRACKS and IOCTL_DISK_FORMAT_TRACKS_EX on the volume
// (volume_format.cpp), with the request's words for the trace in `trace`.
DWORD FormatTracksRequest(Volume* volume, const void* in, DWORD inSize, std::string* trace);
DWORD FormatTracksExRequest(Volume* volume, const void* in, DWORD inSize, std::string* trace);

// The trace's words: " name=value", a handle as " handle=0x40", and the end
// of a line: " result=R" and " error=E" when the call failed.
std::string TraceWord(const char* name, uint64_t value);
std::string TraceHex(const char* name, uint64_t value);
std::string TraceHandle(HANDLE handle);
std::string TraceResult(uint64_t result, bool failed, DWORD error);

#endif
