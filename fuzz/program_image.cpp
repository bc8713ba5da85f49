// The restorer's program image and the fuzz targets' scratch folder.
#include "program_image.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const char kSeedPassword[] = "fuzz";

const std::string& RestorerPath() {
  static const std::string path = ZOLT_FUZZ_RESTORER;
  return path;
}

const std::vector<uint8_t>& RestorerImage() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(RestorerPath().c_str(), "rb");
    if (file != nullptr) {
      uint8_t chunk[65536];
      size_t got;
      while ((got = fread(chunk, 1, sizeof chunk, file)) != 0) bytes.insert(bytes.end(), chunk, chunk + got);
      fclose(file);
    }
    if (bytes.empty()) {
      fprintf(stderr, "fuzz: cannot read the restorer %s\n", RestorerPath().c_str());
      exit(2);
    }
    return bytes;
  }();
  return image;
}

namespace {

void RemoveScratchFolder() {
  const std::string& folder = ScratchFolder();
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(folder.c_str());
}

}  // namespace

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/zolt-fuzz-XXXXXX" : "/tmp/zolt-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      perror("fuzz: cannot make a scratch folder");
      exit(2);
    }
    return pattern;
  }();
  static const bool cleanup = atexit(RemoveScratchFolder) == 0;
  (void)cleanup;
  return folder;
}
