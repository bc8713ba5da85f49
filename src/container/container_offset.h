// ContainerOffset: where the container starts in a restorer file. The
// container is appended at the exact end of the program image, so the offset
// is the length of the program as its own headers describe it: for a PE
// file the end of the last section's raw data, for an ELF file the end of
// the furthest of its headers, section data and segments. The restorer reads
// it from its own file once at start and never searches for the container;
// the builder uses the same function to check a stub.
#ifndef ZOLT_CONTAINER_CONTAINER_OFFSET_H
#define ZOLT_CONTAINER_CONTAINER_OFFSET_H

#include <cstdint>
#include <cstdio>

// Reads the executable headers of `file` and stores the program's length in
// `offset`. Returns 0, or ERROR_INVALID_DATA (13) when the file is neither a
// PE nor an ELF file or its headers are damaged; `reason` (if given) then
// receives a short English text. The file position is left undefined.
int FindContainerOffset(FILE* file, uint32_t* offset, const char** reason);

#endif
