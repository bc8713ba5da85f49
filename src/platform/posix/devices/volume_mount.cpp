// What Windows NT keeps about each volume beyond its handles: which handle
// holds its lock, and the file system mounted on it.
//
// A file system is mounted when a handle is opened on the volume (unless
// another handle holds its lock, which keeps the volume as it is): FAT
// when sector 0 is a FAT boot sector (55 AA at 510, 512 bytes per sector,
// a cluster of a power of two sectors, at least one reserved sector, one
// or two FATs), reaching as far as its total sectors say; anything else is
// RAW, which claims no sectors. FSCTL_DISMOUNT_VOLUME dismounts it until a
// handle is opened again.
//
// Windows 6.0 (Vista) and later guard a mounted file system against raw
// writes: through a volume handle, a write to its sectors other than the
// boot sector fails with ERROR_ACCESS_DENIED unless that handle holds the
// volume's lock; sectors beyond the file system's end lie outside it.
// Earlier versions let such writes through.
#include <map>
#include <mutex>

#include "devices/volume.h"

namespace {

struct VolumeState {
  int handles = 0;               // volume handles open on it
  Volume* lockHolder = nullptr;  // the handle that holds its lock
  bool mounted = false;          // a FAT file system is mounted on it
  uint64_t fileSystemSectors = 0;
};

std::mutex statesLock;
std::map<DiskMedium*, VolumeState> states;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | uint32_t(U16(p + 2)) << 16; }

// The total sectors of the FAT file system whose boot sector `s` is; 0
// when it is none.
uint64_t FatSectors(const uint8_t* s) {
  const unsigned perCluster = s[13], fats = s[16];
  if (s[510] != 0x55 || s[511] != 0xAA || U16(s + 11) != 512) return 0;
  if (perCluster == 0 || (perCluster & (perCluster - 1)) != 0) return 0;
  if (U16(s + 14) == 0 || fats < 1 || fats > 2) return 0;
  return U16(s + 19) != 0 ? U16(s + 19) : U32(s + 32);
}

bool RunsVistaOrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         version.dwMajorVersion >= 6;
}

}  // namespace

void OpenVolumeState(Volume* volume) {
  uint8_t sector[512];
  uint32_t done = 0;
  const bool read = TransferVolumeSectors(volume->medium, false, 0, sector, sizeof sector, &done) ==
                        ERROR_SUCCESS &&
                    done == sizeof sector;
  std::lock_guard<std::mutex> hold(statesLock);
  VolumeState& state = states[volume->medium];
  state.handles++;
  if (state.lockHolder != nullptr) return;
  state.fileSystemSectors = read ? FatSectors(sector) : 0;
  state.mounted = state.fileSystemSectors != 0;
}

void CloseVolumeState(Volume* volume) {
  std::lock_guard<std::mutex> hold(statesLock);
  auto known = states.find(volume->medium);
  if (known == states.end()) return;
  if (known->second.lockHolder == volume) volume->medium->methods->unlock(volume->medium);
  if (known->second.lockHolder == volume) known->second.lockHolder = nullptr;
  if (--known->second.handles == 0) states.erase(known);
}

DWORD LockVolume(Volume* volume) {
  std::lock_guard<std::mutex> hold(statesLock);
  VolumeState& state = states[volume->medium];
  if (state.lockHolder != nullptr) return ERROR_ACCESS_DENIED;
  DWORD error = volume->medium->methods->lock(volume->medium);
  if (error == ERROR_SUCCESS) state.lockHolder = volume;
  return error;
}

DWORD UnlockVolume(Volume* volume) {
  std::lock_guard<std::mutex> hold(statesLock);
  VolumeState& state = states[volume->medium];
  if (state.lockHolder != volume) return ERROR_NOT_LOCKED;
  volume->medium->methods->unlock(volume->medium);
  state.lockHolder = nullptr;
  return ERROR_SUCCESS;
}

// A dismount is forced: it goes ahead whoever else uses the volume.
DWORD DismountVolume(Volume* volume) {
  MediumInfo info;
  DWORD error = volume->medium->methods->query(volume->medium, &info);
  if (error != ERROR_SUCCESS) return error;
  volume->medium->methods->flush(volume->medium);
  std::lock_guard<std::mutex> hold(statesLock);
  states[volume->medium].mounted = false;
  return ERROR_SUCCESS;
}

DWORD MountedWriteRefusal(Volume* volume, uint64_t first, uint64_t count) {
  if (count == 0 || !RunsVistaOrLater()) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> hold(statesLock);
  const VolumeState& state = states[volume->medium];
  if (!state.mounted || state.lockHolder == volume) return ERROR_SUCCESS;
  // The boot sector is sector 0; the file system's area runs from 1 to
  // its end.
  const uint64_t last = first + count - 1;
  const bool inArea = last >= 1 && first < state.fileSystemSectors;
  return inArea ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}
