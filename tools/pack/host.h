// What zolt-pack asks of the system it runs on, on Linux and on Windows:
// its own path, replacing a file by another and a file's permission bits.
#ifndef ZOLT_PACK_HOST_H
#define ZOLT_PACK_HOST_H

#include <sys/types.h>

#include <cstdio>
#include <string>

// The path of the running program (/proc/self/exe on Linux, the module's
// file name on Windows); empty when the system does not say.
std::string ProgramPath();

// The folder part of `path` with its trailing separator ("" for a bare
// name); both '/' and, on Windows, '\' separate.
std::string FolderOf(const std::string& path);

// Renames `from` to `to`, replacing a file already there; false with errno
// set on failure.
bool ReplaceFileWith(const std::string& from, const std::string& to);

// Gives the open file its permission bits (Windows files have none to give:
// always true there).
bool SetFileMode(FILE* file, mode_t mode);

#endif
