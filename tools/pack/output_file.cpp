// Temporary output files and their rename into place.
#include "pack/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "pack/host.h"

bool OpenOutputFile(const std::string& path, OutputFile* output, std::string* error) {
  std::string folder = FolderOf(path);
  std::string name = path.substr(folder.size());
  if (name.empty()) {
    *error = "the output path " + path + " names no file";
    return false;
  }
  std::string pattern = folder + "." + name + ".part-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkstemp(buffer.data());
  if (fd < 0) {
    *error = "cannot create a file in " + (folder.empty() ? std::string(".") : folder) + ": " +
             strerror(errno);
    return false;
  }
  output->path = path;
  output->tempPath = buffer.data();
  output->file = fdopen(fd, "w+b");
  if (output->file == nullptr) {
    *error = "cannot open " + output->tempPath + ": " + strerror(errno);
    close(fd);
    unlink(output->tempPath.c_str());
    output->tempPath.clear();
    return false;
  }
  return true;
}

bool CommitOutputFile(OutputFile* output, mode_t mode, std::string* error) {
  FILE* file = output->file;
  output->file = nullptr;
  bool ok = fflush(file) == 0;
  if (ok && !SetFileMode(file, mode)) ok = false;
  int savedErrno = errno;
  if (fclose(file) != 0 && ok) ok = false, savedErrno = errno;
  if (ok && !ReplaceFileWith(output->tempPath, output->path)) ok = false, savedErrno = errno;
  if (!ok) {
    *error = "cannot write " + output->path + ": " + strerror(savedErrno);
    unlink(output->tempPath.c_str());
  }
  output->tempPath.clear();
  return ok;
}

void DiscardOutputFile(OutputFile* output) {
  if (output->file != nullptr) fclose(output->file);
  output->file = nullptr;
  if (!output->tempPath.empty()) unlink(output->tempPath.c_str());
  output->tempPath.clear();
}

mode_t DefaultFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}
