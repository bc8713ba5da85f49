// zolt-pack: builds restorer files (a copy of the restorer with a container
// appended), describes them and takes their image back out. This file only
// reads the command line and prints; the work is in the pack library.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pack/container_reader.h"
#include "pack/container_report.h"
#include "pack/container_writer.h"
#include "pack/formats.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  zolt-pack build --image IMG [--stub RESTORER] [--label FILE] [--message FILE]\n"
    "                  [--data FILE] [--password PW] [--format NAME] -o OUT\n"
    "  zolt-pack info FILE [--offset N]\n"
    "  zolt-pack extract FILE -o IMG [--password PW] [--offset N]\n";

int Fail(const std::string& message) {
  fprintf(stderr, "zolt-pack: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  fprintf(stderr, "zolt-pack: %s\n%s", message.c_str(), kUsage);
  return 2;
}

enum Option { kImage, kStub, kLabel, kMessage, kData, kPassword, kFormat, kOutput, kOffset, kOptionCount };

struct OptionName {
  const char* name;
  Option option;
};

const OptionName kOptionNames[] = {
    {"--image", kImage}, {"--stub", kStub},         {"--label", kLabel},   {"--message", kMessage},
    {"--data", kData},   {"--password", kPassword}, {"--format", kFormat}, {"-o", kOutput},
    {"--output", kOutput}, {"--offset", kOffset},
};

// The options of a command line ("--name VALUE") and its one positional
// argument.
struct Arguments {
  std::string positional;
  std::string values[kOptionCount];
  bool given[kOptionCount] = {};
};

// Reads argv[2...]; `allowed` has bit (1 << option) set for each option the
// command takes. False with `error` set on anything else.
bool ParseArguments(int argc, char** argv, unsigned allowed, Arguments* args, std::string* error) {
  for (int i = 2; i < argc; ++i) {
    const char* arg = argv[i];
    int option = -1;
    for (const OptionName& o : kOptionNames)
      if (strcmp(arg, o.name) == 0) option = o.option;
    if (option < 0) {
      if (arg[0] == '-' && arg[1] != '\0') {
        *error = std::string("unknown option ") + arg;
        return false;
      }
      if (!args->positional.empty()) {
        *error = std::string("unexpected argument ") + arg;
        return false;
      }
      args->positional = arg;
      continue;
    }
    if ((allowed & (1u << option)) == 0) {
      *error = std::string("option ") + arg + " does not apply to " + argv[1];
      return false;
    }
    if (i + 1 >= argc) {
      *error = std::string("option ") + arg + " needs a value";
      return false;
    }
    if (args->given[option]) {
      *error = std::string("option ") + arg + " is given twice";
      return false;
    }
    args->given[option] = true;
    args->values[option] = argv[++i];
  }
  return true;
}

bool ParseOffset(const Arguments& args, ContainerLocation* where, std::string* error) {
  if (!args.given[kOffset]) return true;
  const std::string& text = args.values[kOffset];
  char* end = nullptr;
  errno = 0;
  unsigned long long value = strtoull(text.c_str(), &end, 0);
  if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || value > 0xFFFFFFFFull) {
    *error = "--offset needs a number from 0 to 4294967295, not \"" + text + "\"";
    return false;
  }
  where->offsetGiven = true;
  where->offset = uint32_t(value);
  return true;
}

const char* SourceText(GeometrySource source) {
  switch (source) {
    case GeometrySource::kFormatName: return "the --format name";
    case GeometrySource::kBootSector: return "the boot sector";
    case GeometrySource::kImageSize: return "the image size";
  }
  return "";
}

int RunBuild(const Arguments& args) {
  if (!args.positional.empty()) return Usage("unexpected argument " + args.positional);
  if (!args.given[kImage]) return Usage("build needs --image");
  if (!args.given[kOutput]) return Usage("build needs -o OUT");
  if (args.given[kPassword] && args.values[kPassword].empty()) return Fail("the password is empty");
  BuildOptions options;
  options.imagePath = args.values[kImage];
  options.stubPath = args.values[kStub];
  options.labelPath = args.values[kLabel];
  options.messagePath = args.values[kMessage];
  options.dataPath = args.values[kData];
  options.password = args.values[kPassword];
  options.formatName = args.values[kFormat];
  options.outputPath = args.values[kOutput];
  BuildReport report;
  std::string error;
  if (!BuildContainer(options, &report, &error)) return Fail(error);
  const StandardFormat* standard = StandardFormatMatching(report.format);
  printf("%s: %llu bytes (restorer %s, %u bytes; container of %llu bytes)\n", options.outputPath.c_str(),
         (unsigned long long)report.fileBytes, report.stubPath.c_str(), unsigned(report.containerOffset),
         (unsigned long long)(report.fileBytes - report.containerOffset));
  printf("geometry %s from %s: %u sectors of %u bytes; %u sectors per track, heads %u, cylinders %u\n",
         standard ? standard->name : "(not standard)", SourceText(report.geometrySource),
         unsigned(FormatTotalSectors(report.format)), unsigned(report.format.bytesPerSector),
         unsigned(report.format.sectorsPerTrack), unsigned(report.format.heads),
         unsigned(report.format.cylinders));
  printf("deflate stream %u bytes, image CRC-32 %08X%s\n", unsigned(report.deflateLength),
         unsigned(report.imageCrc), options.password.empty() ? "" : ", password protected");
  return 0;
}

FILE* OpenContainerFile(const std::string& path, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) *error = "cannot open " + path + ": " + strerror(errno);
  return file;
}

int RunInfo(const Arguments& args) {
  if (args.positional.empty()) return Usage("info needs a FILE");
  ContainerLocation where;
  std::string error;
  if (!ParseOffset(args, &where, &error)) return Usage(error);
  FILE* file = OpenContainerFile(args.positional, &error);
  if (file == nullptr) return Fail(error);
  ContainerInfo info;
  bool ok = ReadContainerInfo(file, where, &info, &error);
  fclose(file);
  if (!ok) return Fail(args.positional + ": " + error);
  fputs(DescribeContainer(info).c_str(), stdout);
  return 0;
}

int RunExtract(const Arguments& args) {
  if (args.positional.empty()) return Usage("extract needs a FILE");
  if (!args.given[kOutput]) return Usage("extract needs -o IMG");
  ContainerLocation where;
  std::string error;
  if (!ParseOffset(args, &where, &error)) return Usage(error);
  FILE* file = OpenContainerFile(args.positional, &error);
  if (file == nullptr) return Fail(error);
  ExtractReport report;
  bool ok = ExtractImage(file, where, args.values[kPassword], args.values[kOutput], &report, &error);
  fclose(file);
  if (!ok) return Fail(args.positional + ": " + error);
  if (report.declaredDeflateLength != 0)
    fprintf(stderr,
            "zolt-pack: warning: the header gives a deflate stream of %u bytes, but the file holds only %llu "
            "after the header; the stream ends within them, as the restorer reads it\n",
            unsigned(report.declaredDeflateLength), (unsigned long long)report.deflateBytesInFile);
  if (report.passwordIgnored) fprintf(stderr, "zolt-pack: the container has no password; --password ignored\n");
  if (!report.checksumChecked)
    fprintf(stderr, "zolt-pack: the container has no checksum record: the image was not checked\n");
  printf("%s: %llu bytes, CRC-32 %08X%s\n", args.values[kOutput].c_str(), (unsigned long long)report.imageBytes,
         unsigned(report.imageCrc), report.checksumChecked ? " (matches the header)" : "");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no command given");
  const std::string command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    fputs(kUsage, stdout);
    return 0;
  }
  unsigned allowed;
  if (command == "build")
    allowed = 1u << kImage | 1u << kStub | 1u << kLabel | 1u << kMessage | 1u << kData | 1u << kPassword |
              1u << kFormat | 1u << kOutput;
  else if (command == "info")
    allowed = 1u << kOffset;
  else if (command == "extract")
    allowed = 1u << kOutput | 1u << kPassword | 1u << kOffset;
  else
    return Usage("unknown command " + command);
  Arguments args;
  std::string error;
  if (!ParseArguments(argc, argv, allowed, &args, &error)) return Usage(error);
  if (command == "build") return RunBuild(args);
  if (command == "info") return RunInfo(args);
  return RunExtract(args);
}
