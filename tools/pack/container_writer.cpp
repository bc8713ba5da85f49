// Building a restorer file with its container.
#include "pack/container_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "container/container_header.h"
#include "container/container_offset.h"
#include "container/image_crc.h"
#include "pack/default_catalogue.h"
#include "pack/deflate_writer.h"
#include "pack/free_text.h"
#include "pack/host.h"
#include "pack/image_source.h"
#include "container/le_bytes.h"
#include "pack/output_file.h"
#include "pack/password.h"
#include "pack/text_block.h"

namespace {

// Opens a file for reading, with a message naming it on failure.
FILE* OpenInput(const std::string& path, const char* what, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) *error = std::string("cannot open the ") + what + " " + path + ": " + strerror(errno);
  return file;
}

bool SizeOf(FILE* file, uint64_t* size) {
  if (fseeko(file, 0, SEEK_END) != 0) return false;
  off_t end = ftello(file);
  if (end < 0 || fseeko(file, 0, SEEK_SET) != 0) return false;
  *size = uint64_t(end);
  return true;
}

// The inputs that are read before anything is written.
struct Inputs {
  FILE* image = nullptr;
  uint64_t imageBytes = 0;
  FILE* stub = nullptr;
  mode_t stubMode = 0755;
  std::string upperPassword;
  std::string texts[4];
};

void CloseInputs(Inputs* in) {
  if (in->image != nullptr) fclose(in->image);
  if (in->stub != nullptr) fclose(in->stub);
  in->image = in->stub = nullptr;
}

// The output replaces its file only at the end, but then whatever that file
// was is gone: an output that is one of the inputs (by another name, or
// through a link, too) would put the packed program in place of the user's
// image or restorer. Files are the same when device and inode agree.
bool OutputIsNotAnInput(const std::string& outputPath, FILE* input, const std::string& what,
                        std::string* error) {
  struct stat out, in;
  if (stat(outputPath.c_str(), &out) != 0) return true;  // not there yet: a new file
  if (fstat(fileno(input), &in) != 0) {
    *error = "cannot look at the " + what;
    return false;
  }
  if (out.st_dev == in.st_dev && out.st_ino == in.st_ino) {
    *error = "the output " + outputPath + " is the " + what + " itself: it would be replaced; "
             "name another output file";
    return false;
  }
  return true;
}

bool CheckInputs(const BuildOptions& options, Inputs* in, BuildReport* report, std::string* error) {
  if (!options.password.empty() && !CheckPasswordText(options.password, &in->upperPassword, error))
    return false;
  const std::string* paths[3] = {&options.labelPath, &options.messagePath, &options.dataPath};
  for (int i = 0; i < 3; ++i)
    if (!paths[i]->empty() && !LoadFreeText(*paths[i], &in->texts[i], error)) return false;

  in->image = OpenImageSource(options.imagePath, error);
  if (in->image == nullptr) return false;
  if (!SizeOf(in->image, &in->imageBytes)) {
    *error = "cannot find the size of " + options.imagePath;
    return false;
  }
  if (in->imageBytes == 0) {
    *error = "the image " + options.imagePath + " is empty";
    return false;
  }
  uint8_t boot[512];
  size_t bootLength = fread(boot, 1, sizeof boot, in->image);
  if (bootLength < sizeof boot && uint64_t(bootLength) < in->imageBytes) {
    *error = "cannot read " + options.imagePath;
    return false;
  }
  if (!ChooseDiskFormat(options.formatName, boot, bootLength, in->imageBytes, &report->format,
                        &report->geometrySource, error))
    return false;

  report->stubPath = options.stubPath.empty() ? DefaultStubPath() : options.stubPath;
  in->stub = OpenInput(report->stubPath, "restorer", error);
  if (in->stub == nullptr) return false;
  struct stat st;
  if (fstat(fileno(in->stub), &st) != 0) {
    *error = "cannot read " + report->stubPath;
    return false;
  }
  in->stubMode = st.st_mode & 07777;
  const char* reason = nullptr;
  if (FindContainerOffset(in->stub, &report->containerOffset, &reason) != 0) {
    *error = report->stubPath + " is not a restorer program: " + (reason ? reason : "unreadable");
    return false;
  }
  if (!OutputIsNotAnInput(options.outputPath, in->image, "image " + options.imagePath, error) ||
      !OutputIsNotAnInput(options.outputPath, in->stub, "restorer " + report->stubPath, error))
    return false;
  if (uint64_t(st.st_size) != report->containerOffset) {
    *error = report->stubPath + " is " + std::to_string(st.st_size) + " bytes long, but its headers "
             "describe " + std::to_string(report->containerOffset) +
             " bytes: the container would not start where the restorer looks for it (a stub must "
             "be a bare, stripped restorer)";
    return false;
  }
  return true;
}

// The 51-byte header.
void MakeHeader(const DiskFormatRecord& format, uint32_t deflateLength, uint32_t imageCrc,
                uint8_t header[kHeaderLengthWithChecksum]) {
  memcpy(header, &format, sizeof format);
  header[35] = 0;  // pad
  header[36] = 0xAA, header[37] = 0x55;
  PutU32(header + 38, deflateLength);
  header[42] = kHeaderChecksumType;
  PutU32(header + 43, 4);
  PutU32(header + 47, imageCrc);
}

void MakeTrailer(uint32_t imageCrc, uint8_t trailer[kTrailerLength]) {
  trailer[0] = kTrailerChecksumType;
  PutU32(trailer + 1, 4);
  PutU32(trailer + 5, imageCrc);
  trailer[9] = kSignatureRecordType;
  PutU32(trailer + 10, 37);
  memcpy(trailer + 14, kTrailerInfo, sizeof kTrailerInfo);
  memcpy(trailer + 20, kTrailerSignature, sizeof kTrailerSignature);
}

bool CopyStub(FILE* stub, uint32_t length, FILE* out, std::string* error) {
  if (fseeko(stub, 0, SEEK_SET) != 0) {
    *error = "cannot read the restorer";
    return false;
  }
  std::vector<uint8_t> chunk(65536);
  uint64_t copied = 0;
  size_t got;
  while ((got = fread(chunk.data(), 1, chunk.size(), stub)) > 0) {
    if (fwrite(chunk.data(), 1, got, out) != got) {
      *error = "cannot write the output file";
      return false;
    }
    copied += got;
  }
  if (ferror(stub) || copied != length) {
    *error = "cannot read the restorer (it changed while being copied?)";
    return false;
  }
  return true;
}

// Compresses the text block and the image into `out`, the image through
// `storeTable`; the CRC-32 is taken of the plain image.
bool CompressStream(DeflateWriter* writer, const std::string& textBlock, FILE* image, uint64_t imageBytes,
                    const uint8_t storeTable[256], FILE* out, BuildReport* report, std::string* error) {
  if (!DeflateOpen(writer, out, error) || !DeflateWrite(writer, textBlock.data(), textBlock.size(), error))
    return false;
  if (fseeko(image, 0, SEEK_SET) != 0) {
    *error = "cannot read the image";
    return false;
  }
  std::vector<uint8_t> chunk(65536);
  uint32_t crc = 0;
  uint64_t done = 0;
  while (done < imageBytes) {
    size_t got = fread(chunk.data(), 1, chunk.size(), image);
    if (got == 0) {
      *error = "cannot read the whole image (did it change while being read?)";
      return false;
    }
    if (got > imageBytes - done) got = size_t(imageBytes - done);
    crc = ImageCrcUpdate(crc, chunk.data(), uint32_t(got));
    for (size_t i = 0; i < got; ++i) chunk[i] = storeTable[chunk[i]];
    if (!DeflateWrite(writer, chunk.data(), got, error)) return false;
    done += got;
  }
  if (!DeflateFinish(writer, error)) return false;
  // The header's deflateLength is 32 bits wide.
  if (writer->written > 0xFFFFFFFFu) {
    *error = "the compressed image exceeds 4 GiB";
    return false;
  }
  report->deflateLength = uint32_t(writer->written);
  report->imageCrc = crc;
  return true;
}

bool WriteStream(const std::string& textBlock, FILE* image, uint64_t imageBytes, const uint8_t storeTable[256],
                 FILE* out, BuildReport* report, std::string* error) {
  auto writer = std::make_unique<DeflateWriter>();
  bool ok = CompressStream(writer.get(), textBlock, image, imageBytes, storeTable, out, report, error);
  DeflateClose(writer.get());
  return ok;
}

bool WriteAt(FILE* out, uint64_t offset, const uint8_t* bytes, size_t length, std::string* error) {
  if (fseeko(out, off_t(offset), SEEK_SET) != 0 || fwrite(bytes, 1, length, out) != length) {
    *error = "cannot write the output file";
    return false;
  }
  return true;
}

// Writes the stub, the container and the trailer into `out`.
bool WriteContainer(const Inputs& in, FILE* out, BuildReport* report, std::string* error) {
  const uint32_t offset = report->containerOffset;
  if (!CopyStub(in.stub, offset, out, error)) return false;
  // A provisional header first: the password's table reads the file up to
  // the container's first byte, which is already final here.
  uint8_t header[kHeaderLengthWithChecksum];
  MakeHeader(report->format, 0, 0, header);
  if (!WriteAt(out, offset, header, sizeof header, error)) return false;

  uint8_t storeTable[256];
  std::string texts[4] = {in.texts[0], in.texts[1], in.texts[2], ""};
  if (in.upperPassword.empty()) {
    for (int i = 0; i < 256; ++i) storeTable[i] = uint8_t(i);
  } else if (!MakePasswordField(out, offset, in.upperPassword, &texts[3], storeTable, error)) {
    return false;
  }

  std::string textBlock;
  if (!MakeTextBlock(DefaultCatalogueArea(), kDefaultCatalogueCount, texts, &textBlock, error)) return false;
  report->textBlockLength = uint32_t(textBlock.size());
  if (fseeko(out, off_t(offset) + kHeaderLengthWithChecksum, SEEK_SET) != 0) {
    *error = "cannot write the output file";
    return false;
  }
  if (!WriteStream(textBlock, in.image, in.imageBytes, storeTable, out, report, error)) return false;

  uint8_t trailer[kTrailerLength];
  MakeTrailer(report->imageCrc, trailer);
  const uint64_t trailerAt = uint64_t(offset) + kHeaderLengthWithChecksum + report->deflateLength;
  MakeHeader(report->format, report->deflateLength, report->imageCrc, header);
  if (!WriteAt(out, trailerAt, trailer, sizeof trailer, error) ||
      !WriteAt(out, offset, header, sizeof header, error))
    return false;
  report->fileBytes = trailerAt + kTrailerLength;
  return true;
}

}  // namespace

std::string DefaultStubPath() {
  return FolderOf(ProgramPath()) + "zolt";
}

bool BuildContainer(const BuildOptions& options, BuildReport* report, std::string* error) {
  *report = BuildReport();
  if (options.outputPath.empty()) {
    *error = "no output file given";
    return false;
  }
  Inputs in;
  OutputFile output;
  bool ok = CheckInputs(options, &in, report, error) && OpenOutputFile(options.outputPath, &output, error) &&
            WriteContainer(in, output.file, report, error);
  CloseInputs(&in);
  if (ok) return CommitOutputFile(&output, in.stubMode, error);
  DiscardOutputFile(&output);
  return false;
}
