// CreateFileA on a volume ("\\.\A:") or on the VWIN32 service
// ("\\.\vwin32"), the end of such a handle, SetFilePointer, and the words of
// the device trace.
//
// As on Windows NT, a diskette or removable drive's volume opens whether or
// not a medium is in it and whether or not the medium is write-protected:
// only the requests then fail (ERROR_NOT_READY, ERROR_WRITE_PROTECT). The
// other drives (fixed, remote, CD-ROM, RAM disk) are refused with
// ERROR_ACCESS_DENIED, which is what a program without administrator
// rights gets for a hard disk's volume, so the program never writes
// sectors of a disk it must not touch. A letter that names no drive gives
// ERROR_FILE_NOT_FOUND.
//
// Windows 9x has no volume names in its device namespace ("\\.\" names its
// VxDs, and there is no VxD called A:); there CreateFileA("\\.\A:") fails
// with ERROR_FILE_NOT_FOUND and the diskette is reached through VWIN32,
// which in turn NT does not have (ERROR_FILE_NOT_FOUND again).
#include <cctype>
#include <cinttypes>
#include <cstdio>

#include "devices/device_trace.h"
#include "devices/volume.h"
#include "kernel32/handles.h"
#include "kernel32/standin.h"
#include "vwin32/vwin32_service.h"

namespace {

// FILE_FLAG_NO_BUFFERING: transfers in whole sectors, as a volume's are
// anyway.
constexpr DWORD kFileFlagNoBuffering = 0x20000000u;

bool RunsWindows9x() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool NamesVwin32(const char* name) {
  const char kName[] = "\\\\.\\vwin32";
  for (size_t i = 0; i < sizeof kName; ++i) {
    if (tolower(static_cast<unsigned char>(name[i])) != kName[i]) return false;
  }
  return true;
}

// "\\.\X:" with an ASCII letter of either case, nothing after the colon.
bool NamesVolume(const char* name, char* letter) {
  if (name[0] != '\\' || name[1] != '\\' || name[2] != '.' || name[3] != '\\') return false;
  char l = name[4];
  if (!((l >= 'A' && l <= 'Z') || (l >= 'a' && l <= 'z')) || name[5] != ':' || name[6] != '\0')
    return false;
  *letter = l;
  return true;
}

void CloseVolume(void* object) {
  Volume* volume = static_cast<Volume*>(object);
  CloseVolumeState(volume);
  if (DeviceTraceOn())
    WriteDeviceTrace("CloseHandle" + TraceHandle(volume->handle) + TraceResult(TRUE, false, 0));
  delete volume;
}

void CloseVwin32(void* object) {
  Vwin32Handle* vwin32 = static_cast<Vwin32Handle*>(object);
  CloseVwin32Service(vwin32->service);
  if (DeviceTraceOn())
    WriteDeviceTrace("CloseHandle" + TraceHandle(vwin32->handle) + TraceResult(TRUE, false, 0));
  delete vwin32;
}

// Opens the volume of drive `letter`; 0 with the handle, or an error.
DWORD OpenVolume(char letter, DWORD access, HANDLE* handle) {
  if (RunsWindows9x()) return ERROR_FILE_NOT_FOUND;
  if (FindDrive(letter) == nullptr) return ERROR_FILE_NOT_FOUND;
  DiskMedium* medium = MediumOfDrive(letter);
  if (medium == nullptr) return ERROR_ACCESS_DENIED;
  Volume* volume = new Volume{nullptr, medium, access, 0};
  OpenVolumeState(volume);
  *handle = volume->handle = OpenKernelHandle(kHandleVolume, volume, CloseVolume, nullptr);
  return ERROR_SUCCESS;
}

DWORD OpenVwin32(HANDLE* handle) {
  if (!RunsWindows9x()) return ERROR_FILE_NOT_FOUND;
  void* service = OpenVwin32Service();
  if (service == nullptr) return GetLastError();
  Vwin32Handle* vwin32 = new Vwin32Handle{nullptr, service};
  *handle = vwin32->handle = OpenKernelHandle(kHandleVwin32, vwin32, CloseVwin32, nullptr);
  SetVwin32ServiceHandle(service, *handle);
  return ERROR_SUCCESS;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile) {
  if (fileName == nullptr) StandInUnsupported("CreateFileA", "a null name");
  if (security != nullptr) StandInUnsupported("CreateFileA", "security attributes");
  if (templateFile != nullptr) StandInUnsupported("CreateFileA", "a template file");

  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error;
  char letter;
  if (NamesVwin32(fileName)) {
    // Windows 9x opens a VxD whatever the access, disposition and flags
    // (the usual call passes 0, 0 and FILE_FLAG_DELETE_ON_CLOSE).
    error = OpenVwin32(&handle);
  } else if (NamesVolume(fileName, &letter)) {
    if ((desiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) != 0)
      StandInUnsupported("CreateFileA", "access other than GENERIC_READ and GENERIC_WRITE");
    if (creationDisposition != OPEN_EXISTING)
      StandInUnsupported("CreateFileA", "a volume opened other than OPEN_EXISTING");
    if ((flagsAndAttributes &
         ~(FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH | kFileFlagNoBuffering)) != 0)
      StandInUnsupported("CreateFileA", "flags other than normal, write-through and no buffering");
    error = OpenVolume(letter, desiredAccess, &handle);
  } else {
    StandInUnsupported("CreateFileA", "a name other than a volume (\\\\.\\A:) or \\\\.\\vwin32");
  }

  if (DeviceTraceOn()) {
    std::string line = std::string("CreateFileA name=") + fileName +
                       TraceHex("access", desiredAccess) + TraceHex("share", shareMode) +
                       TraceWord("disposition", creationDisposition) +
                       TraceHex("flags", flagsAndAttributes);
    if (error == ERROR_SUCCESS)
      line += TraceHandle(handle) + " result=ok";
    else
      line += " result=failed" + TraceWord("error", error);
    WriteDeviceTrace(line);
  }
  // Windows sets the last error on success too, to 0 when nothing existed
  // to be replaced.
  SetLastError(error);
  return error == ERROR_SUCCESS ? handle : INVALID_HANDLE_VALUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
  if (moveMethod != FILE_BEGIN && moveMethod != FILE_CURRENT)
    StandInUnsupported("SetFilePointer", "a move from the end of a volume");
  HandleUse use(file, kHandleVolume);
  Volume* volume = use.valid() ? static_cast<Volume*>(use.object()) : nullptr;
  const LONG high = distanceHigh == nullptr ? 0 : *distanceHigh;
  // Without a high part the distance is a signed 32-bit number.
  int64_t move = distanceHigh == nullptr
                     ? int64_t(distance)
                     : int64_t((uint64_t(uint32_t(high)) << 32) | uint32_t(distance));
  int64_t from = moveMethod == FILE_CURRENT && volume != nullptr ? int64_t(volume->position) : 0;
  int64_t target = from + move;

  DWORD result = INVALID_SET_FILE_POINTER;
  DWORD error = ERROR_SUCCESS;
  if (volume == nullptr) {
    error = ERROR_INVALID_HANDLE;
  } else if (target < 0) {
    error = ERROR_NEGATIVE_SEEK;
  } else {
    // Windows does not hold a position against the medium's size: a
    // transfer from there finds the end.
    volume->position = uint64_t(target);
    result = DWORD(volume->position);
    if (distanceHigh != nullptr) *distanceHigh = LONG(volume->position >> 32);
  }

  if (DeviceTraceOn()) {
    std::string line =
        "SetFilePointer" + TraceHandle(file) + " distance=" + std::to_string(distance);
    line += " high=" + (distanceHigh == nullptr ? std::string("null") : std::to_string(high));
    line += TraceWord("method", moveMethod) + TraceResult(result, error != ERROR_SUCCESS, error);
    WriteDeviceTrace(line);
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
  } else if (result == INVALID_SET_FILE_POINTER) {
    // A position whose low part looks like the failure value: the caller
    // tells them apart by the last error, which says no failure.
    SetLastError(ERROR_SUCCESS);
  }
  return result;
}

std::string TraceWord(const char* name, uint64_t value) {
  return std::string(" ") + name + "=" + std::to_string(value);
}

std::string TraceHex(const char* name, uint64_t value) {
  char text[32];
  snprintf(text, sizeof text, "=0x%" PRIx64, value);
  return std::string(" ") + name + text;
}

std::string TraceHandle(HANDLE handle) { return TraceHex("handle", uintptr_t(handle)); }

std::string TraceResult(uint64_t result, bool failed, DWORD error) {
  return TraceWord("result", result) + (failed ? TraceWord("error", error) : std::string());
}
