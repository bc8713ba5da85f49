// Finding the restorer of either platform for `zolt-pack build`.
#include "pack/restorer_search.h"

#include <sys/stat.h>

#include <cctype>

#include "pack/host.h"

bool ParseRestorerPlatform(const std::string& name, RestorerPlatform* platform) {
  std::string lower;
  for (char c : name) lower += char(tolower((unsigned char)c));
  if (lower == "linux") *platform = RestorerPlatform::kLinux;
  else if (lower == "windows") *platform = RestorerPlatform::kWindows;
  else return false;
  return true;
}

RestorerPlatform HostPlatform() {
#ifdef _WIN32
  return RestorerPlatform::kWindows;
#else
  return RestorerPlatform::kLinux;
#endif
}

const char* RestorerFileName(RestorerPlatform platform) {
  return platform == RestorerPlatform::kWindows ? "zolt.exe" : "zolt";
}

void RestorerCandidates(RestorerPlatform platform, const std::string& programPath, std::string out[2]) {
  const std::string folder = FolderOf(programPath);
  const std::string name = RestorerFileName(platform);
  out[0] = folder + name;
  out[1] = folder + "../lib/zolt/" + name;
}

namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool FindRestorer(RestorerPlatform platform, const std::string& programPath, std::string* path,
                  std::string* error) {
  std::string candidates[2];
  RestorerCandidates(platform, programPath, candidates);
  for (const std::string& candidate : candidates)
    if (IsFile(candidate)) {
      *path = candidate;
      return true;
    }
  const bool windows = platform == RestorerPlatform::kWindows;
  *error = std::string("no ") + (windows ? "Windows" : "Linux") + " restorer: neither " + candidates[0] +
           " nor " + candidates[1] + " exists; build it with \"cmake --preset " +
           (windows ? "win32" : "release") + " && cmake --build --preset " + (windows ? "win32" : "release") +
           "\" and install it into this zolt-pack's prefix with \"cmake --install build/" +
           (windows ? "win32" : "release") + " --prefix PREFIX\", or name it with --stub";
  return false;
}
