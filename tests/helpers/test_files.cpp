// Test file helpers.
#include "helpers/test_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

TempFile::TempFile(const std::vector<uint8_t>& bytes) {
  char name[] = "/tmp/zolt-test-XXXXXX";
  int fd = mkstemp(name);
  if (fd >= 0) {
    path_ = name;
    file_ = fdopen(fd, "w+b");
    if (file_ != nullptr && !bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file_);
    if (file_ != nullptr) {
      fflush(file_);
      rewind(file_);
    }
  }
}

TempFile::~TempFile() {
  if (file_ != nullptr) fclose(file_);
  if (!path_.empty()) unlink(path_.c_str());
}

TempDir::TempDir() {
  char name[] = "/tmp/zolt-dir-XXXXXX";
  if (mkdtemp(name) != nullptr) path_ = name;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  fclose(f);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}
