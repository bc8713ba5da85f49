// Whole unattended restores of images in any geometry onto simulated
// drives: the test images (every sector different, so that a sector put in
// the wrong place shows), the self-restoring files made from them, the
// media files a drive starts with, and what a medium holds after a run.
#ifndef ZOLT_TESTS_DISKETTE_IMAGES_H
#define ZOLT_TESTS_DISKETTE_IMAGES_H

#include <cstdint>
#include <string>
#include <vector>

#include "container/disk_format.h"
#include "helpers/run_program.h"

// An image's geometry as its container's header describes it.
struct ImageGeometry {
  const char* name;  // for tables: "1.44m", "40 MiB", "one track"
  uint16_t bytesPerSector;
  uint16_t sectorsPerTrack;
  uint16_t heads;
  uint16_t cylinders;
  uint32_t totalSectors;
};

// The header's format for `g`: a FAT12 BPB (FAT16 beyond 4,084 clusters)
// of its geometry, the total in the 16-bit field when it fits.
DiskFormatRecord FormatOf(const ImageGeometry& g);

// `bytes` bytes in sectors of `sectorBytes`, each beginning with its own
// number and `seed`, the rest a text that compresses well.
std::vector<uint8_t> SectorPattern(size_t bytes, uint32_t sectorBytes, uint32_t seed);

// The image of `g` and the restorer with it appended, made once per name
// and kept (in a folder of its own) for the rest of the process.
struct PackedImage {
  std::vector<uint8_t> image;
  std::string program;
};
const PackedImage& PackImage(const ImageGeometry& g);

// A medium file of `sectors` 512-byte sectors in the layout of `spt`
// sectors per track and `heads` heads: a boot sector that declares it (as
// FORMAT leaves it, so that a system mounts it) and a pattern after it, so
// that an unchanged medium can be told from a rewritten one.
std::vector<uint8_t> FormattedMedium(uint32_t sectors, uint16_t spt, uint16_t heads);

// What a medium holds after a run, compared with the image and with what
// it held before.
enum class MediumAfter {
  kImage,         // exactly the image
  kImageAtStart,  // the image, then the rest of the medium as it was
  kUnchanged,     // what it held before (also: still no file)
  kChanged,       // anything else
};
MediumAfter CompareMedium(const std::vector<uint8_t>& image, bool presentBefore,
                          const std::vector<uint8_t>& before, bool presentAfter,
                          const std::vector<uint8_t>& after);
const char* Describe(MediumAfter medium);

// One unattended run of `program` onto A: with the stand-in's settings.
ProgramResult RestoreOntoA(const std::string& program, const std::string& family,
                           const std::string& drives, const std::string& arguments,
                           const std::string& trace = "");

// The lines of a program's standard output (the message list).
std::vector<std::string> OutputLines(const std::string& text);

#endif
