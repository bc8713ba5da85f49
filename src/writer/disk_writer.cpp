// The diskette writer. Tracks go in the order cylinder 0 head 0, cylinder 0
// head 1, cylinder 1 head 0, ... A write that fails switches formatting on;
// the track is then formatted and written once more. While formatting, the
// tracks ahead are formatted in groups up to the next multiple of ten
// cylinders, which keeps the head moving in one direction.
//
// On Windows 9x DOS reads the diskette's first sector whenever it looks at
// the medium, so the diskette keeps a minimal boot sector of the image's
// geometry while it is written, and the image's own first two sectors go on
// only after the last track.
#include "writer/disk_writer.h"

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/list_message.h"
#include "container/image_crc.h"
#include "container/le_bytes.h"
#include "device/nt_volume.h"
#include "device/vwin32_disk.h"
#include "ui/progress.h"
#include "writer/format_track.h"

namespace {

constexpr int kFormatGroup = 10;  // cylinders formatted ahead at a time

// Windows 9x sector transfers of the writer: 7305h by sector index, or the
// BIOS by sector number.
int WriteSectors(const uint8_t* data, uint16_t head, uint16_t cylinder, uint16_t index,
                 uint16_t count) {
  if (app.extendedSectorIo)
    return ExtAbsWrite(LogicalDriveNumber(), data, head, cylinder, index, count, &app.diskIo);
  return BiosDiskIo(kBiosWrite, (uint8_t*)data, PhysicalDriveNumber(), head, cylinder,
                    uint8_t(index + 1), uint8_t(count));
}

int ReadSectors(uint8_t* data, uint16_t head, uint16_t cylinder, uint16_t index, uint16_t count) {
  if (app.extendedSectorIo)
    return ExtAbsRead(LogicalDriveNumber(), data, head, cylinder, index, count, &app.diskIo);
  return BiosDiskIo(kBiosRead, data, PhysicalDriveNumber(), head, cylinder, uint8_t(index + 1),
                    uint8_t(count));
}

// The two sectors of sectorBuffer at the start of the diskette. A
// one-sector track holds them on both heads of cylinder 0.
int WriteFirstSectors() {
  if (app.extendedSectorIo && app.format.sectorsPerTrack == 1) {
    WriteSectors(app.sectorBuffer, 0, 0, 0, 1);
    return WriteSectors(app.sectorBuffer + 512, 1, 0, 0, 1);
  }
  return WriteSectors(app.sectorBuffer, 0, 0, 0, 2);
}

// The diskette's first sector into sectorBuffer; the read's result. A
// sector that could not be read leaves zeros, which declare no format.
int ReadFirstSector() {
  int result;
  if (app.extendedSectorIo) {
    result = ExtAbsRead(LogicalDriveNumber(), app.sectorBuffer, 0, 0, 0, 1, &app.diskIo);
  } else {
    result = BiosDiskIo(kBiosRead, app.sectorBuffer, PhysicalDriveNumber(), 0, 0, 1, 1);
    if (result == 1) {
      result = ExtAbsRead(LogicalDriveNumber(), app.sectorBuffer, 0, 0, 0, 1, &app.diskIo);
      app.extendedSectorIo = result == 0;
    }
  }
  if (result != 0) memset(app.sectorBuffer, 0, 1024);
  return result;
}

// A failed transfer that no formatting can mend: the diskette is
// write-protected or gone. 0 for any other failure.
int UnmendableFailure(int result) {
  const int cause = app.isNT ? int(GetLastError()) : result;
  return cause == ERROR_WRITE_PROTECT || cause == ERROR_NOT_READY ? cause : 0;
}

void FormattingOn() {
  app.formatWhileCopying = 1;
  LIST_MESSAGE(55, "");
  if (!app.isNT) SetDriveParams(2, app.writerBpb, false);
}

void DrawFormatProgress(uint16_t cylinder, uint16_t head) {
  if (app.cylinderCount < 10)
    DrawProgress(uint32_t(cylinder) * app.format.heads + head,
                 uint32_t(app.format.heads) * app.cylinderCount - 1, kBarFormatting);
  else
    DrawProgress(cylinder, app.cylinderCount - 1u, kBarFormatting);
}

// Formats what lies ahead of the write position: this track alone when the
// write position is on a later head, else the cylinders up to the next
// multiple of ten. A stop leaves out the remaining heads.
int FormatAhead() {
  if (app.head != 0) {
    const int result = FormatTrack(app.head, app.cylinder);
    if (result != 0) return result;
    DrawFormatProgress(app.cylinder, app.head);
    return 0;
  }
  if (app.formattedUpTo < app.cylinder) app.formattedUpTo = app.cylinder;
  uint16_t c = app.formattedUpTo;
  while (c < app.cylinderCount) {
    for (uint16_t h = 0; h < app.format.heads && app.userStopped == 0; ++h) {
      const int result = FormatTrack(h, c);
      if (result != 0) return result;
      DrawFormatProgress(c, h);
    }
    ++c;
    app.formattedUpTo = c;
    if (c % kFormatGroup == 0) break;
  }
  return 0;
}

bool LastTrack() { return app.format.sectorsPerTrack >= app.writerSectorsLeft; }

// One write of the track at the current position.
int WriteTrackOnce() {
  if (app.isNT)
    return VolumeTrackIo(app.deviceHandle, app.trackBuffer, app.head, app.cylinder,
                         uint16_t(app.writerTrackSectors), app.format.bytesPerSector,
                         kTrackWriteVerified);
  const uint16_t spt = app.format.sectorsPerTrack;
  const uint16_t sectors = uint16_t(app.writerTrackSectors);
  int result;
  if (app.cylinder == 0 && app.head == 0 && spt > 1) {
    // The primer stays in the first two sectors while the rest of the
    // diskette is written; the image's own two are kept for the end.
    BuildPrimerSectors();
    WriteFirstSectors();
    memcpy(app.sectorBuffer, app.trackBuffer, 1024);
    result = sectors > 2 ? WriteSectors(app.trackBuffer + 1024, 0, 0, 2, uint16_t(sectors - 2)) : 0;
  } else {
    result = WriteSectors(app.trackBuffer, app.head, app.cylinder, 0, sectors);
  }
  const bool lastHeadOfDisk =
      app.cylinder == app.cylinderCount - 1 && app.head == app.format.heads - 1;
  if (spt > 1 && (LastTrack() || (app.largeMediaMode && lastHeadOfDisk))) {
    // The image's own first sectors go on last, also when the first track
    // is the last one; an image of one sector has only one. Either write
    // failing fails the track: a last track that did not take its data
    // must not be hidden behind the first sectors' success.
    const uint16_t own = app.totalSectors < 2 ? uint16_t(app.totalSectors) : uint16_t(2);
    const int first = WriteSectors(app.sectorBuffer, 0, 0, 0, own);
    if (result == 0) result = first;
  }
  return result;
}

}  // namespace

uint32_t DeclaredSectorCount() {
  const uint8_t* boot = app.sectorBuffer;
  if (GetU16(boot + 510) != 0xAA55 || GetU16(boot + 11) != 512) return 0;
  const uint32_t total = GetU16(boot + 19);
  if (total == 0) return app.largeMediaMode ? GetU32(boot + 32) : 0;
  const uint32_t perCylinder = uint32_t(GetU16(boot + 24)) * GetU16(boot + 26);
  if (app.largeMediaMode) return total;
  if (perCylinder == 0) return 0;
  const uint32_t cylinders = total / perCylinder;
  return cylinders == 40 || cylinders == 80 ? total : 0;
}

bool BootSectorDeclaresImageFormat() {
  // The total alone does not tell 40 cylinders of 18 sectors from 80 of 9:
  // written over the other, the image would leave half of each track as
  // it was.
  if (DeclaredSectorCount() != app.format.totalSectors16) return false;
  if (app.format.totalSectors16 == 0) return true;
  return GetU16(app.sectorBuffer + 24) == app.format.sectorsPerTrack &&
         GetU16(app.sectorBuffer + 26) == app.format.heads;
}

void BuildPrimerSectors() {
  uint8_t* s = app.sectorBuffer;
  memset(s, 0, 1024);
  const uint8_t jump[4] = {0xEB, 0x44, 0x90, 0x00};
  memcpy(s, jump, sizeof jump);
  memcpy(s + 11, app.writerBpb, kBpbLength);
  PutU16(s + 24, app.format.sectorsPerTrack);
  PutU16(s + 26, app.format.heads);
  PutU32(s + 28, app.format.hiddenSectors);
  PutU32(s + 32, app.format.totalSectors32);
  s[510] = 0x55;
  s[511] = 0xAA;
  const uint8_t fatStart[4] = {0xF0, 0xFF, 0xFF, 0x00};
  memcpy(s + 512, fatStart, sizeof fatStart);
}

int StartDiskWriter() {
  if (app.largeMediaMode) app.formatWhileCopying = 0;
  if (!app.isNT) {
    uint8_t access[2] = {0, 0xFF};  // special functions 0; access allowed
    DosDeviceIoctl(LogicalDriveNumber(), kSetAccessFlag, access);
    GetDriveParams(0, app.driveBpb);
    memcpy(app.savedDeviceParams, app.deviceParamsBuffer, kDeviceParamsSize);
  }
  app.writerSectorsLeft = app.totalSectors;
  app.writerTrackSectors = app.format.sectorsPerTrack;
  app.trackBytes = uint16_t(app.format.bytesPerSector * app.format.sectorsPerTrack);
  app.trackBuffer = (uint8_t*)malloc(app.trackBytes);
  app.verifyBuffer = (uint8_t*)malloc(app.trackBytes);
  if (app.trackBuffer == nullptr || app.verifyBuffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;

  if (!app.isNT) {
    // An empty drive ends the run here, before the primer is written.
    if (ReadFirstSector() == ERROR_NOT_READY) {
      app.errorCode = ERROR_NOT_READY;
      return ERROR_NOT_READY;
    }
    if (!BootSectorDeclaresImageFormat()) app.formatWhileCopying = 1;
    if (app.largeMediaMode) app.formatWhileCopying = 0;
    BuildPrimerSectors();
    if (app.largeMediaMode) LockTargetVolume(app.targetDrive);
    WriteFirstSectors();
    UnlockTargetVolume(app.targetDrive);
    LockTargetVolume(app.targetDrive);
  }

  if (!app.formatWhileCopying && !app.largeMediaMode) {
    // A read of the first track tells an empty drive and a protected
    // diskette apart from one that merely needs formatting.
    const uint16_t spt = app.format.sectorsPerTrack;
    const int result = app.isNT ? VolumeTrackIo(app.deviceHandle, app.verifyBuffer, 0, 0, spt,
                                                app.format.bytesPerSector, kTrackRead)
                                : ReadSectors(app.verifyBuffer, 0, 0, 0, spt);
    if (result == ERROR_NOT_READY || result == ERROR_WRITE_PROTECT) {
      app.errorCode = result;
      return result;
    }
    if (result != 0) app.formatWhileCopying = 1;
  }
  if (app.isNT && app.formatWhileCopying) {
    // Refused before anything is written: a diskette left half in
    // another format would be worse than the one the user put in.
    const int refusal = NtFormattingRefusal();
    if (refusal != 0) {
      app.errorCode = refusal;
      return refusal;
    }
  }
  if (app.formatWhileCopying) LIST_MESSAGE(55, "");
  app.runningCrc = 0;
  app.cylinder = app.head = 0;
  app.formattedUpTo = 0;
  if (app.formatWhileCopying && !app.isNT) SetDriveParams(2, app.writerBpb, false);
  return 0;
}

int WriteImageTrack() {
  if (app.format.sectorsPerTrack > app.writerSectorsLeft)
    app.writerTrackSectors = app.writerSectorsLeft;
  app.runningCrc = ImageCrcUpdate(app.runningCrc, app.trackBuffer,
                                  app.format.bytesPerSector * app.writerTrackSectors);
  for (;;) {
    if (app.formatWhileCopying && app.formattedUpTo <= app.cylinder) {
      const int result = FormatAhead();
      if (result != 0) return result;
    }
    const int result = WriteTrackOnce();
    app.lastResult = result;
    if (result == 0) break;
    const int unmendable = UnmendableFailure(result);
    if (unmendable != 0) {
      app.errorCode = unmendable;
      return unmendable;
    }
    if (app.formatWhileCopying) {
      app.errorCode = ERROR_WRITE_FAULT;
      return ERROR_WRITE_FAULT;
    }
    FormattingOn();
  }

  if (app.head < app.format.heads - 1) {
    ++app.head;
  } else if (app.cylinder < app.cylinderCount) {
    app.head = 0;
    ++app.cylinder;
  }
  if (LastTrack()) {
    app.head = 0;
    app.cylinder = app.cylinderCount;
  } else {
    app.writerSectorsLeft -= app.format.sectorsPerTrack;
    if (app.head != 0) return 0;
  }
  if (app.cylinder == app.cylinderCount) {
    const int status = app.runStatus;
    if (status != 0 && status != ERROR_NOT_READY) {
      LIST_MESSAGE(app.userStopped ? 3 : 2, "");
      app.imageCompleted = 0;
      return status;
    }
    app.imageCompleted = 1;
  }
  return 0;
}
