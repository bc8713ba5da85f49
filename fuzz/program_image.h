// The restorer's program image that the fuzz targets put in front of a
// container: the restorer of the same build, read once. The containers of
// the seed corpus are made by that build's zolt-pack against the same file,
// so that their password fields decode: the substitution table is derived
// from the bytes of the program the container is appended to.
#ifndef ZOLT_FUZZ_PROGRAM_IMAGE_H
#define ZOLT_FUZZ_PROGRAM_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

// The path of the restorer of this build.
const std::string& RestorerPath();

// Its bytes; the process ends with a message when it cannot be read.
const std::vector<uint8_t>& RestorerImage();

// The password that the seed corpus's protected containers carry, as the
// answering front end types it (in lower case: the program upper-cases it).
extern const char kSeedPassword[];

// A fresh private folder for a target's files, in memory where the system
// offers one (/dev/shm), else under /tmp; removed with its files when the
// process ends.
const std::string& ScratchFolder();

#endif
