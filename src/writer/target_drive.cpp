// Opening the target drive. On the NT family the drive is a volume opened
// as a file; its geometry tells whether the diskette already carries the
// image's format. On Windows 9x everything goes through the VWIN32 service
// and the drive's BPB tells its capacity.
#include "writer/target_drive.h"

#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/list_message.h"
#include "container/le_bytes.h"
#include "device/nt_volume.h"
#include "device/vwin32_disk.h"

namespace {

constexpr uint32_t kProbeLimit = 1048576;  // sectors: 512 MB of 512-byte sectors
constexpr uint32_t kMaxDisketteSectors = 5760;  // a 2.88M diskette

// The sector count of a BPB: the 16-bit total, or the 32-bit one.
uint32_t BpbSectorCount(const uint8_t* bpb) {
  const uint16_t total16 = GetU16(bpb + 8);
  return total16 != 0 ? total16 : GetU32(bpb + 21);
}

// The first sector of the open volume, moved whole; the position is left
// at the start.
bool ReadVolumeStart(uint8_t* sector) {
  DWORD done = 0;
  SetFilePointer(app.deviceHandle, 0, nullptr, FILE_BEGIN);
  const bool read = ReadFile(app.deviceHandle, sector, 512, &done, nullptr) && done == 512;
  SetFilePointer(app.deviceHandle, 0, nullptr, FILE_BEGIN);
  return read;
}

void WriteVolumeStart(const uint8_t* sector) {
  DWORD done = 0;
  SetFilePointer(app.deviceHandle, 0, nullptr, FILE_BEGIN);
  WriteFile(app.deviceHandle, sector, 512, &done, nullptr);
  SetFilePointer(app.deviceHandle, 0, nullptr, FILE_BEGIN);
}

// A single-sided image cannot go onto a diskette whose second side
// carries the image's own track layout: writing side 0 leaves side 1 as it
// is, and drives then take the medium for the double-sided format of those
// tracks, reading the image's sectors through two heads, scrambled (an
// image of one cylinder is only the start of that medium, read in place).
// The drive finds the sides from cylinder 0: side 1 carries the layout
// when its last sector of the image's count reads and the one after does
// not.
bool SecondSideKeepsLayout(int sectorsOnSide1) {
  return app.format.heads == 1 && app.format.cylinders > 1 && !app.largeMediaMode &&
         sectorsOnSide1 == app.format.sectorsPerTrack;
}

int OpenNtVolume(const char* driveString) {
  app.deviceHandle = OpenVolume(driveString);
  if (app.deviceHandle == INVALID_HANDLE_VALUE) {
    LIST_MESSAGE(89, "");
    app.lastResult = kDriveOpenFailed;
    return kDriveOpenFailed;
  }
  if (!NtVolumeRequest(app.deviceHandle, FSCTL_LOCK_VOLUME)) {
    app.lastResult = int(GetLastError());
    if (app.lastResult == ERROR_ACCESS_DENIED) LIST_MESSAGE(88, "");
  }
  DISK_GEOMETRY geometry{};
  DWORD returned = 0;
  if (!DeviceIoControl(app.deviceHandle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                       sizeof geometry, &returned, nullptr)) {
    // An empty drive is not a medium of another format: formatting it
    // would only fail, after the run had claimed to start writing.
    // A medium that tells no geometry is a diskette its driver cannot
    // read (large media always report one): an image beyond any diskette
    // does not fit it.
    app.lastResult = int(GetLastError());
    if (app.lastResult == ERROR_NOT_READY) return ERROR_NOT_READY;
    return app.totalSectors > kMaxDisketteSectors ? kImageSizeMismatch : 1;
  }
  if (geometry.MediaType == RemovableMedia) {
    app.largeMediaMode = 999;
    uint32_t readable = CountReadableSectors(app.deviceHandle);
    if (readable < app.totalSectors) {
      // A medium that reports less than it holds (a card whose partition
      // table describes a smaller volume): wipe the start so that the
      // system sees it afresh, and measure again. The first sector is kept
      // to be put back should the medium still be too small: a run that
      // is refused leaves the medium as it found it.
      uint8_t first[512];
      if (!ReadVolumeStart(first)) return kImageSizeMismatch;
      const uint8_t zero[512] = {};
      WriteVolumeStart(zero);
      if (!NtVolumeRequest(app.deviceHandle, FSCTL_DISMOUNT_VOLUME) ||
          !NtVolumeRequest(app.deviceHandle, FSCTL_UNLOCK_VOLUME)) {
        app.lastResult = int(GetLastError());
        return 1;
      }
      CloseHandle(app.deviceHandle);
      GetLogicalDrives();
      app.deviceHandle = OpenVolume(driveString);
      if (app.deviceHandle == INVALID_HANDLE_VALUE) {
        LIST_MESSAGE(59, "");
        return 1;
      }
      NtVolumeRequest(app.deviceHandle, FSCTL_LOCK_VOLUME);
      readable = CountReadableSectors(app.deviceHandle);
      if (readable < app.totalSectors) {
        WriteVolumeStart(first);
        return kImageSizeMismatch;
      }
    }
    return readable < app.totalSectors ? kImageSizeMismatch : 0;
  }
  const uint32_t capacity =
      geometry.Cylinders.HighPart == 0 && geometry.BytesPerSector == 512
          ? geometry.SectorsPerTrack * geometry.TracksPerCylinder * geometry.Cylinders.LowPart
          : 0;
  if (app.totalSectors > kMaxDisketteSectors) return kImageSizeMismatch;
  // The driver tells the sides from the media type it found: two heads
  // with the image's sectors per track is side 1 in the image's layout.
  // (An image without a media type of its own is refused later, when the
  // diskette would have to be formatted.)
  MEDIA_TYPE imageType;
  if (geometry.TracksPerCylinder == 2 && NtMediaTypeFor(app.format, &imageType) &&
      SecondSideKeepsLayout(int(geometry.SectorsPerTrack)))
    return kImageSizeMismatch;
  if (capacity != app.totalSectors) return 1;
  if (app.largeMediaMode) return 0;
  const bool same = uint16_t(geometry.SectorsPerTrack) == app.format.sectorsPerTrack &&
                    uint16_t(geometry.TracksPerCylinder) == app.format.heads &&
                    uint16_t(geometry.Cylinders.LowPart) == app.format.cylinders;
  return same ? 0 : 1;
}

// One transfer of the diskette's first sector: through 7305h when the
// writer uses it, else through the BIOS, which turns to 7305h for good
// when the BIOS service refuses the request (1) and back when 7305h fails.
int FirstSectorIo(int function, uint8_t* sector) {
  DISKIO* io = &app.diskIo;
  auto extended = [&]() {
    const int result = function == kBiosWrite
                           ? ExtAbsWrite(LogicalDriveNumber(), sector, 0, 0, 0, 1, io)
                           : ExtAbsRead(LogicalDriveNumber(), sector, 0, 0, 0, 1, io);
    if (result != 0) app.extendedSectorIo = 0;
    return result;
  };
  if (app.extendedSectorIo) return extended();
  const int result = BiosDiskIo(function, sector, PhysicalDriveNumber(), 0, 0, 1, 1);
  if (result != 1) return result;
  app.extendedSectorIo = 1;
  return extended();
}

// Windows 9x: whether side 1 of cylinder 0 carries the image's track
// layout, from two BIOS reads (the BIOS finds the track's density
// itself); 2030 when it does, else 0. A drive with one head fails both.
int SecondSideOfDiskette() {
  if (app.format.heads != 1 || app.format.cylinders < 2 || app.largeMediaMode) return 0;
  const uint8_t last = uint8_t(app.format.sectorsPerTrack);
  const bool lastReads = BiosDiskIo(kBiosRead, app.sectorBuffer, PhysicalDriveNumber(), 1, 0, last, 1) == 0;
  const bool nextReads =
      lastReads && BiosDiskIo(kBiosRead, app.sectorBuffer, PhysicalDriveNumber(), 1, 0, uint8_t(last + 1), 1) == 0;
  return lastReads && !nextReads && SecondSideKeepsLayout(last) ? kImageSizeMismatch : 0;
}

int OpenVwin32Drive(const char* driveString) {
  // The writer keeps the diskette's first two sectors here from its start
  // to the end of the run; without it there is no run.
  app.sectorBuffer = (uint8_t*)malloc(1024);
  if (app.sectorBuffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  app.deviceHandle =
      CreateFileA("\\\\.\\vwin32", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
  LockTargetVolume(driveString);
  app.driveOpened = 1;
  GetDriveParams(0, app.driveBpb);
  uint32_t driveSectors = BpbSectorCount(app.driveBpb);
  // No diskette drive holds more than a 2.88M diskette: a drive that does
  // is a large removable one (LS-120, Zip), written as it is whatever the
  // image's size, as on NT.
  if (driveSectors > kMaxDisketteSectors) app.largeMediaMode = 999;
  // The BIOS and 7305h move sectors of the size the drive's parameters
  // give (512 bytes on every PC diskette format): an image of other
  // sectors would go out as that many sectors of the drive's size, half of
  // each 1,024-byte sector lost. Such an image does not fit the drive.
  const uint16_t driveSectorBytes = GetU16(app.driveBpb);
  if (app.format.bytesPerSector != (driveSectorBytes != 0 ? driveSectorBytes : 512))
    return kImageSizeMismatch;
  if (app.totalSectors <= driveSectors) return SecondSideOfDiskette();

  // A zeroed first sector makes the system read the medium's parameters
  // afresh. What it held is kept to be put back should the medium still
  // be too small, so that a refused run leaves the diskette as it was; a
  // first sector that cannot be read is not wiped either.
  uint8_t first[512];
  const bool saved = FirstSectorIo(kBiosRead, first) == 0;
  if (saved) {
    uint8_t zero[512] = {};
    app.lastResult = FirstSectorIo(kBiosWrite, zero);
  }
  // The drive may need a moment and a fresh look at the medium before it
  // reports the larger capacity.
  for (int round = 0; round < 2 && driveSectors < app.totalSectors; ++round) {
    UnlockTargetVolume(driveString);
    Sleep(2000);
    GetDriveParams(1, app.driveBpb);
    GetDriveParams(0, app.driveBpb);
    LockTargetVolume(driveString);
    driveSectors = BpbSectorCount(app.driveBpb);
  }
  if (driveSectors >= app.totalSectors) return SecondSideOfDiskette();
  if (saved) FirstSectorIo(kBiosWrite, first);
  return kImageSizeMismatch;
}

}  // namespace

int OpenTargetDrive(const char* driveString) {
  char root[4] = {driveString[0], ':', '\\', '\0'};
  switch (GetDriveTypeA(root)) {
    case DRIVE_UNKNOWN:
    case DRIVE_NO_ROOT_DIR:
      return ERROR_INVALID_DRIVE;
    case DRIVE_FIXED:
    case DRIVE_REMOTE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
      return kNotRemovableMedia;
    default:
      break;
  }
  return app.isNT ? OpenNtVolume(driveString) : OpenVwin32Drive(driveString);
}

uint32_t CountReadableSectors(HANDLE volume) {
  if (!app.isNT) return kProbeLimit;
  const uint32_t sectorSize = app.format.bytesPerSector != 0 ? app.format.bytesPerSector : 512;
  uint8_t* sector = (uint8_t*)malloc(sectorSize);
  if (sector == nullptr) return 0;
  // Moves to `index` and reads one sector; the position the system took
  // names the sector actually probed.
  auto probe = [&](uint32_t index, uint32_t* probed) {
    const uint64_t offset = uint64_t(index) * sectorSize;
    LONG high = LONG(offset >> 32);
    const DWORD low = SetFilePointer(volume, LONG(uint32_t(offset)), &high, FILE_BEGIN);
    *probed = uint32_t(((uint64_t(uint32_t(high)) << 32) | low) / sectorSize);
    DWORD done = 0;
    return ReadFile(volume, sector, sectorSize, &done, nullptr) && done == sectorSize;
  };
  uint32_t low = 0, high = kProbeLimit, next = kProbeLimit;
  for (int probes = 0; probes < 100 && high - low > 1; ++probes) {
    uint32_t probed;
    if (probe(next, &probed))
      low = probed;
    else
      high = probed;
    next = uint32_t((uint64_t(low) + high) / 2);
  }
  // Upward from the last sector the search could not settle, to the first
  // that yields nothing; a medium larger than the search's range counts as
  // its limit rather than being read to its end.
  uint32_t count = high > 0 ? high - 1 : 0;
  while (count < kProbeLimit) {
    const uint64_t offset = uint64_t(count) * sectorSize;
    LONG offsetHigh = LONG(offset >> 32);
    SetFilePointer(volume, LONG(uint32_t(offset)), &offsetHigh, FILE_BEGIN);
    DWORD done = 0;
    if (!ReadFile(volume, sector, sectorSize, &done, nullptr) || done == 0) break;
    ++count;
  }
  free(sector);
  return count;
}
