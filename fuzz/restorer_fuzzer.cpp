// Fuzz target: a whole container appended to the restorer, run unattended
// to an image file: `zolt a: /D=FILE /Q /T1`, in this process (the
// program's start-up on the program thread, its worker, its dialog under
// the answering front end, the virtual clock).
//
// What a run reports is checked against the container and against
// zolt-pack's reading of the same file:
// - a run that ends with 0 has written exactly the image, whose CRC-32 is
//   the header's when the header has one;
// - when zolt-pack also extracts the image, both give the same bytes;
// - when zolt-pack extracts an image that no password protects, the run
//   succeeds too.
// Containers are mutated through their decompressed stream too
// (container_mutator.h).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "container/container_header.h"
#include "container/container_offset.h"
#include "container/image_crc.h"
#include "container_mutator.h"
#include "pack/container_reader.h"
#include "program_image.h"
#include "program_run.h"
#include "resource.h"

namespace {

[[noreturn]] void Broken(const std::string& what) {
  fprintf(stderr, "restorer: %s\n", what.c_str());
  abort();
}

struct Paths {
  std::string program;  // the restorer with the input appended
  std::string image;    // the run's /D= file
  std::string extracted;
  std::string commandLine;
  int programFile = -1;
};

const Paths& Files() {
  static const Paths paths = [] {
    Paths p;
    p.program = ScratchFolder() + "/restorer.exe";
    p.image = ScratchFolder() + "/restored.img";
    p.extracted = ScratchFolder() + "/extracted.img";
    p.commandLine = "a: /D=" + p.image + " /Q /T1";
    p.programFile = open(p.program.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0700);
    const std::vector<uint8_t>& image = RestorerImage();
    if (p.programFile < 0 || pwrite(p.programFile, image.data(), image.size(), 0) != ssize_t(image.size()))
      Broken("cannot write " + p.program);
    return p;
  }();
  return paths;
}

// The program file: the restorer, then the input.
void WriteProgramFile(const uint8_t* data, size_t size) {
  const Paths& p = Files();
  const off_t programLength = off_t(RestorerImage().size());
  if (ftruncate(p.programFile, programLength) != 0 ||
      (size != 0 && pwrite(p.programFile, data, size, programLength) != ssize_t(size)))
    Broken("cannot write " + p.program);
}

int StartRestorer(void* commandLine) {
  static char instance;  // any non-null value names the program's module
  return RunRestorer((HINSTANCE)&instance, static_cast<char*>(commandLine));
}

// The length and CRC-32 of a file; false when it cannot be read.
bool MeasureFile(const std::string& path, uint64_t* length, uint32_t* crc) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  *length = 0;
  *crc = 0;
  static uint8_t chunk[1 << 16];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) != 0) {
    *crc = ImageCrcUpdate(*crc, chunk, uint32_t(got));
    *length += got;
  }
  fclose(file);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareInProcessProgram(Files().program);
  SetStartButton(IDOK);
  return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  return MutateContainer(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Paths& p = Files();
  WriteProgramFile(data, size);
  unlink(p.image.c_str());

  std::string commandLine = p.commandLine;
  const int exitCode = RunInProcess(StartRestorer, commandLine.data());
  EndInProcessRun();

  // zolt-pack's reading of the same file.
  FILE* file = fopen(p.program.c_str(), "rb");
  if (file == nullptr) Broken("cannot open " + p.program);
  const ContainerLocation where;
  ContainerInfo info;
  ExtractReport extract;
  std::string error;
  const bool read = ReadContainerInfo(file, where, &info, &error);
  const bool protectedImage = read && !TextRecordEntry(info.freeTexts, kPasswordFieldText).empty();
  const bool extracted = read && ExtractImage(file, where, "", p.extracted, &extract, &error);
  fclose(file);
  unlink(p.extracted.c_str());

  if (exitCode == 0) {
    // The header as the restorer reads it (zolt-pack may refuse a container
    // that the restorer takes, for stricter reasons of its own).
    ContainerHeader header;
    uint32_t offset;
    file = fopen(p.program.c_str(), "rb");
    if (file == nullptr || FindContainerOffset(file, &offset, nullptr) != 0 ||
        ReadContainerHeader(file, offset, &header) != 0)
      Broken("the run succeeded on a file without a readable container header");
    fclose(file);
    uint64_t length;
    uint32_t crc;
    if (!MeasureFile(p.image, &length, &crc) || length != FormatImageBytes(header.format))
      Broken("the run succeeded without writing exactly the image");
    if (header.checksumPresent && crc != header.imageCrc)
      Broken("the run succeeded with an image whose CRC differs from the header's");
    if (extracted && (extract.imageBytes != length || extract.imageCrc != crc))
      Broken("the run and zolt-pack extract different images");
  } else if (extracted && !protectedImage) {
    Broken("zolt-pack extracts the image, but the run ends with " + std::to_string(exitCode));
  }
  return 0;
}
