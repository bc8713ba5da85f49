// Output files that appear whole or not at all. The data goes to a
// temporary file in the destination's folder (so that the final rename stays
// on one file system), which replaces the destination only when everything
// has been written; on failure the temporary file is removed and nothing is
// left behind.
#ifndef ZOLT_PACK_OUTPUT_FILE_H
#define ZOLT_PACK_OUTPUT_FILE_H

#include <sys/types.h>

#include <cstdio>
#include <string>

struct OutputFile {
  std::string path;      // the destination
  std::string tempPath;  // the temporary file being written
  FILE* file = nullptr;  // open for reading and writing
};

// Creates the temporary file for `path`.
bool OpenOutputFile(const std::string& path, OutputFile* output, std::string* error);

// Flushes and closes the temporary file, gives it the permission bits
// `mode` and renames it to the destination. On failure it is removed.
bool CommitOutputFile(OutputFile* output, mode_t mode, std::string* error);

// Closes and removes the temporary file; nothing happens when none is open.
void DiscardOutputFile(OutputFile* output);

// The permission bits of a new ordinary file under the process's umask.
mode_t DefaultFileMode();

#endif
