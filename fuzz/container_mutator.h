// A mutator for fuzz inputs that are containers (the pack_reader and
// restorer targets). Byte mutations alone rarely get past the deflate
// stream: almost every change to compressed bytes makes them invalid. So
// half the time libFuzzer's own mutations change the bytes as they stand
// (the header, the compressed stream, the trailer), and half the time the
// stream is decompressed, its text block (and the start of the image)
// mutated, and compressed again, with the header's deflate length made to
// fit and, most of the time, the header's and trailer's CRC-32 made to
// match the new image, so that the records behind the compression and the
// runs that succeed are explored too.
#ifndef ZOLT_FUZZ_CONTAINER_MUTATOR_H
#define ZOLT_FUZZ_CONTAINER_MUTATOR_H

#include <cstddef>
#include <cstdint>

// libFuzzer's own mutation of `size` bytes in a buffer of `maxSize`.
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

// Mutates the container in `data` as above; returns the new size (at most
// `maxSize`).
size_t MutateContainer(uint8_t* data, size_t size, size_t maxSize, unsigned seed);

#endif
