// Fuzz target: a file read by `zolt-pack info` and `zolt-pack extract`.
//
// The input is a container appended to the restorer's program image (the
// file a build writes), so that the reader finds it where the program's ELF
// headers say the program ends, as it does for any restorer file. An input
// that itself begins like a program (ELF or MZ) is read as a whole file
// instead, which puts the program headers under test too.
//
// A container that reads is described as `info` describes it (every free
// text taken from the text table, the password field included) and its
// image extracted as `extract` does, with the seed corpus's password when
// it has a password field; a successful extraction must have written
// exactly the image, and every refusal must say why. Containers are
// mutated through their decompressed stream too (container_mutator.h).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "container_mutator.h"
#include "pack/container_reader.h"
#include "pack/container_report.h"
#include "program_image.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail) {
  fprintf(stderr, "pack_reader: %s: %s\n", what, detail.c_str());
  abort();
}

bool LooksLikeProgram(const uint8_t* data, size_t size) {
  return (size >= 4 && memcmp(data, "\x7F" "ELF", 4) == 0) || (size >= 2 && data[0] == 'M' && data[1] == 'Z');
}

void ReadAsPack(FILE* file) {
  const ContainerLocation where;  // from the program's own headers
  ContainerInfo info;
  std::string error;
  if (!ReadContainerInfo(file, where, &info, &error)) {
    if (error.empty()) Broken("ReadContainerInfo", "refused without a reason");
    return;
  }
  const std::string report = DescribeContainer(info);
  if (report.empty()) Broken("DescribeContainer", "empty report");

  const bool protectedImage = !TextRecordEntry(info.freeTexts, kPasswordFieldText).empty();
  const std::string output = ScratchFolder() + "/extracted.img";
  ExtractReport extract;
  if (!ExtractImage(file, where, protectedImage ? kSeedPassword : "", output, &extract, &error)) {
    if (error.empty()) Broken("ExtractImage", "refused without a reason");
    struct stat st;
    if (stat(output.c_str(), &st) == 0) Broken("ExtractImage", "failed but left " + output);
    return;
  }
  struct stat st;
  if (stat(output.c_str(), &st) != 0 || uint64_t(st.st_size) != FormatImageBytes(info.header.format) ||
      extract.imageBytes != uint64_t(st.st_size))
    Broken("ExtractImage", "the image file does not hold exactly the image");
  if (extract.checksumChecked && extract.imageCrc != info.header.imageCrc)
    Broken("ExtractImage", "succeeded with a CRC that differs from the header's");
  unlink(output.c_str());
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned seed) {
  if (LooksLikeProgram(data, size)) return LLVMFuzzerMutate(data, size, maxSize);
  return MutateContainer(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The program image stays at the front of this buffer from one input to
  // the next; only the container behind it changes.
  static std::vector<uint8_t> restorerFile = RestorerImage();
  static std::vector<uint8_t> wholeFile;
  if (size == 0) return 0;
  std::vector<uint8_t>* file;
  if (LooksLikeProgram(data, size)) {
    wholeFile.assign(data, data + size);
    file = &wholeFile;
  } else {
    restorerFile.resize(RestorerImage().size());
    restorerFile.insert(restorerFile.end(), data, data + size);
    file = &restorerFile;
  }
  FILE* stream = fmemopen(file->data(), file->size(), "rb");
  if (stream == nullptr) Broken("fmemopen", strerror(errno));
  ReadAsPack(stream);
  fclose(stream);
  return 0;
}
