// Small helpers for tests that need files: a temporary file holding given
// bytes, and reading a whole file back.
#ifndef ZOLT_TESTS_TEST_FILES_H
#define ZOLT_TESTS_TEST_FILES_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A temporary file holding `bytes`, open for reading and writing, removed
// when the object goes.
class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  FILE* get() const { return file_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  FILE* file_ = nullptr;
};

// A fresh empty directory under the system's temporary folder, removed with
// its contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

#endif
