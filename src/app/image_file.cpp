// The image file of /D= and its replacement of the file under its name.
#include "app/image_file.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/list_message.h"
#include "app/output_sink.h"

namespace {

// The name the image is written under until the run has succeeded; null
// when the file is written directly.
char* partName = nullptr;
std::atomic<int> settled{0};

// DOS device names stay devices with any extension and in any folder
// ("NUL", "c:\tmp\nul.img", "COM1"), as do names in the device namespace.
bool IsDeviceName(const char* name) {
  if (strncmp(name, "\\\\.\\", 4) == 0) return true;
  const char* base = name;
  for (const char* p = name; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
  char stem[8] = "";
  size_t n = 0;
  while (base[n] != '\0' && base[n] != '.' && n < sizeof stem - 1) {
    const char c = base[n];
    stem[n++] = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (base[n] != '\0' && base[n] != '.') return false;
  stem[n] = '\0';
  static const char* const kDevices[] = {"NUL", "CON", "PRN", "AUX", "CLOCK$"};
  for (const char* device : kDevices)
    if (strcmp(stem, device) == 0) return true;
  return (strncmp(stem, "COM", 3) == 0 || strncmp(stem, "LPT", 3) == 0) && n == 4 && stem[3] >= '1' &&
         stem[3] <= '9';
}

// Only a plain file (or none yet) can be replaced by renaming another one.
bool WrittenDirectly(const char* name) {
  if (IsDeviceName(name)) return true;
  struct stat st;
  return stat(name, &st) == 0 && (st.st_mode & S_IFMT) != S_IFREG;
}

bool Exists(const char* name) {
  struct stat st;
  return stat(name, &st) == 0;
}

// The first free name of "NAME.zolt-part", "NAME.zolt-part2", ...; null
// when none is free (or there is no memory for it).
char* FreePartName(const char* name) {
  const size_t length = strlen(name) + 32;
  char* part = (char*)malloc(length);
  if (part == nullptr) return nullptr;
  for (int k = 1; k < 100; ++k) {
    if (k == 1)
      snprintf(part, length, "%s.zolt-part", name);
    else
      snprintf(part, length, "%s.zolt-part%d", name, k);
    if (!Exists(part)) return part;
  }
  free(part);
  return nullptr;
}

void Unbuffered(FILE* file) {
  // Each track is one write, and a write that fails is seen at once,
  // never at the close.
  if (file != nullptr) setvbuf(file, nullptr, _IONBF, 0);
}

// Gives the finished image its name. Windows 9x has no MoveFileExA: there
// the old file goes first, then the new one takes its name.
bool GiveItsName(const char* part, const char* name) {
  if (app.isNT) return MoveFileExA(part, name, MOVEFILE_REPLACE_EXISTING) != 0;
  if (!DeleteFileA(name) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  return MoveFileA(part, name) != 0;
}

}  // namespace

void OpenImageFile(char* name) {
  if (app.imageFile != nullptr) {
    // A second /D= on the command line: the first one's file goes.
    fclose(app.imageFile);
    app.imageFile = nullptr;
    if (partName != nullptr) DeleteFileA(partName);
  }
  free(partName);
  partName = nullptr;
  settled = 0;
  app.imageFileName = name;

  if (WrittenDirectly(name)) {
    app.imageFile = fopen(name, "wb");
    Unbuffered(app.imageFile);
    return;
  }
  // A file that is there must be one the run may replace; it is not
  // touched now.
  if (Exists(name)) {
    FILE* existing = fopen(name, "r+b");
    if (existing == nullptr) return;
    fclose(existing);
  }
  partName = FreePartName(name);
  if (partName == nullptr) return;
  app.imageFile = fopen(partName, "wb");
  if (app.imageFile == nullptr) {
    free(partName);
    partName = nullptr;
    return;
  }
  Unbuffered(app.imageFile);
}

bool ImageFilePending() { return partName != nullptr && settled == 0; }

int SettleImageFile(bool keep) {
  if (app.imageFile == nullptr || settled.exchange(1) != 0) return 0;
  const bool closed = fclose(app.imageFile) == 0;
  app.imageFile = nullptr;
  if (partName == nullptr) return 0;  // written directly: nothing to rename
  if (!keep) {
    DeleteFileA(partName);
    return 0;
  }
  if (!closed) {
    DeleteFileA(partName);
    return ReportImageFileFull();
  }
  if (!GiveItsName(partName, app.imageFileName)) {
    // The whole image stays under the other name: on Windows 9x the old
    // file may already be gone.
    const int error = int(GetLastError());
    LIST_MESSAGE(27, "s", app.imageFileName);
    return error != 0 ? error : ERROR_CANNOT_MAKE;
  }
  return 0;
}
