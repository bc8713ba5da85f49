// Opening the image to pack: a file, or a diskette captured whole.
#include "pack/image_source.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

namespace {

std::string CannotOpen(const std::string& path, const std::string& cause) {
  return "cannot open the image " + path + ": " + cause;
}

}  // namespace

#ifdef _WIN32

bool IsDevicePath(const std::string& path) {
  return path.size() > 4 && (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "//./") == 0);
}

namespace {

std::string SystemMessage(DWORD code) {
  char text[256];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
    --length;
  return length > 0 ? std::string(text, length) : "error " + std::to_string(code);
}

// The medium's length: the partition length of the volume, else the
// drive's geometry (the floppy driver answers only the latter).
bool MediumLength(HANDLE volume, ULONGLONG* length) {
  DWORD returned = 0;
  GET_LENGTH_INFORMATION info{};
  if (DeviceIoControl(volume, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof info, &returned, nullptr) &&
      returned == sizeof info && info.Length.QuadPart > 0) {
    *length = ULONGLONG(info.Length.QuadPart);
    return true;
  }
  DISK_GEOMETRY geometry{};
  if (!DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                       nullptr) ||
      returned != sizeof geometry)
    return false;
  *length = ULONGLONG(geometry.Cylinders.QuadPart) * geometry.TracksPerCylinder * geometry.SectorsPerTrack *
            geometry.BytesPerSector;
  return *length > 0;
}

// A file in the temporary folder that the system removes when it is closed.
FILE* TemporaryFile(std::string* error) {
  char folder[MAX_PATH + 1], name[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH || GetTempFileNameA(folder, "zlt", 0, name) == 0) {
    *error = "cannot create a temporary file: " + SystemMessage(GetLastError());
    return nullptr;
  }
  HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = std::string("cannot create the temporary file ") + name + ": " + SystemMessage(GetLastError());
    DeleteFileA(name);
    return nullptr;
  }
  int fd = _open_osfhandle(intptr_t(handle), _O_RDWR | _O_BINARY);
  FILE* file = fd < 0 ? nullptr : _fdopen(fd, "w+b");
  if (file == nullptr) {
    if (fd >= 0) _close(fd);
    else CloseHandle(handle);
    *error = "cannot open the temporary file";
  }
  return file;
}

// Copies the whole medium of `volume` into `out`: `length` bytes, or, when
// the drive tells no length (0), up to where reads end (a read of no bytes,
// or ERROR_HANDLE_EOF). Raw volume reads move whole sectors into a
// sector-aligned buffer: 64 KiB chunks from page-aligned memory satisfy
// every sector size up to 4,096.
bool CopyMedium(HANDLE volume, ULONGLONG length, FILE* out, std::string* error) {
  const DWORD chunk = 65536;
  void* buffer = VirtualAlloc(nullptr, chunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (buffer == nullptr) {
    *error = "out of memory";
    return false;
  }
  bool ok = true;
  for (ULONGLONG done = 0; ok && (length == 0 || done < length);) {
    DWORD want = length != 0 && length - done < chunk ? DWORD(length - done) : chunk;
    DWORD got = 0;
    if (!ReadFile(volume, buffer, want, &got, nullptr)) {
      DWORD code = GetLastError();
      if (length == 0 && done > 0 && code == ERROR_HANDLE_EOF) break;
      *error = "cannot read byte " + std::to_string(done) + ": " + SystemMessage(code);
      ok = false;
    } else if (got == 0) {
      if (length == 0 && done > 0) break;
      *error = "the medium ends at byte " + std::to_string(done);
      ok = false;
    } else if (fwrite(buffer, 1, got, out) != got) {
      *error = "cannot write the temporary file";
      ok = false;
    }
    done += got;
  }
  VirtualFree(buffer, 0, MEM_RELEASE);
  return ok && fflush(out) == 0 && fseeko(out, 0, SEEK_SET) == 0;
}

}  // namespace

FILE* OpenImageSource(const std::string& path, std::string* error) {
  if (!IsDevicePath(path)) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) *error = CannotOpen(path, strerror(errno));
    return file;
  }
  HANDLE volume = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (volume == INVALID_HANDLE_VALUE) {
    *error = CannotOpen(path, SystemMessage(GetLastError()));
    return nullptr;
  }
  // A drive that tells no size (Wine's volume over an image file) is read
  // to its end.
  ULONGLONG length = 0;
  if (!MediumLength(volume, &length)) length = 0;
  FILE* out = TemporaryFile(error);
  if (out != nullptr && !CopyMedium(volume, length, out, error)) {
    *error = "cannot capture " + path + ": " + *error;
    fclose(out);
    out = nullptr;
  }
  CloseHandle(volume);
  return out;
}

#else

bool IsDevicePath(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

FILE* OpenImageSource(const std::string& path, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    // The floppy driver answers an empty drive with ENXIO.
    *error = CannotOpen(path, errno == ENXIO ? "no medium in the drive" : strerror(errno));
    return nullptr;
  }
  struct stat st;
  if (fstat(fileno(file), &st) == 0 && S_ISBLK(st.st_mode)) {
    // Blocks cached from before a change of diskette would be read instead
    // of the medium: drop them (allowed to root; otherwise the driver's
    // own media-change detection has to do).
    ioctl(fileno(file), BLKFLSBUF, 0);
    posix_fadvise(fileno(file), 0, 0, POSIX_FADV_DONTNEED);
  }
  return file;
}

#endif
