// zolt-pack's few system calls, for Linux and for a Windows console build.
#include "pack/host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

std::string ProgramPath() {
#ifdef _WIN32
  char path[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  return std::string(path, length);
#else
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::string();
  return std::string(path, size_t(length));
#endif
}

std::string FolderOf(const std::string& path) {
#ifdef _WIN32
  size_t slash = path.find_last_of("/\\:");
#else
  size_t slash = path.rfind('/');
#endif
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
#ifdef _WIN32
  // rename() refuses an existing destination on Windows.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
#else
  return rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool SetFileMode(FILE* file, mode_t mode) {
#ifdef _WIN32
  (void)file, (void)mode;
  return true;
#else
  return fchmod(fileno(file), mode) == 0;
#endif
}
