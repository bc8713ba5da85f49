// NT volume services: whole-track transfers on a volume handle ("\\.\a:")
// and the control requests the diskette writer sends to it.
#ifndef ZOLT_DEVICE_NT_VOLUME_H
#define ZOLT_DEVICE_NT_VOLUME_H

#include <cstdint>

#include "container/disk_format.h"
#include "platform/win32.h"

// VolumeTrackIo operations: a read, and a write followed by a read-back.
constexpr int kTrackRead = 100;
constexpr int kTrackWriteVerified = 68;

// Transfers `sectorCount` sectors from the first sector of the track at
// `cylinder`/`head` (the image's geometry places it on the volume). A write
// is read back into verifyBuffer and compared: the track counts as written
// only when the medium returns exactly what was sent. 0 or -1; the cause
// stays in the thread's last error.
int VolumeTrackIo(HANDLE volume, uint8_t* buffer, uint16_t head, uint16_t cylinder,
                  uint16_t sectorCount, uint16_t bytesPerSector, int operation);

// The MEDIA_TYPE with which the NT floppy driver formats tracks of
// `format`; false for a format it has none for.
bool NtMediaTypeFor(const DiskFormatRecord& format, MEDIA_TYPE* type);

// Whether the drive behind `volume` formats `type`, as its driver lists
// the media types it takes. A driver that does not answer is taken to,
// and left to refuse the format request itself.
bool NtDriveTakesMediaType(HANDLE volume, MEDIA_TYPE type);

// One control request without data in or out (lock, unlock, dismount,
// check-verify); the DeviceIoControl result.
BOOL NtVolumeRequest(HANDLE volume, DWORD controlCode);

// Opens "\\.\" + the drive string for reading and writing, shared.
HANDLE OpenVolume(const char* driveString);

// Unlocks and closes the target volume at the end of the run, so that the
// diskette is free for other programs before the dialog is closed.
void ReleaseTargetVolume();

#endif
