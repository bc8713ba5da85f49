// zolt-pack: builds restorer files (a copy of the restorer with a container
// appended), describes them and takes their image back out. This file only
// reads the command line and prints; the work is in the pack library.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <getopt.h>

#include "pack/container_reader.h"
#include "pack/container_report.h"
#include "pack/container_writer.h"
#include "pack/formats.h"
#include "pack/host.h"
#include "pack/restorer_search.h"

namespace {

const char kUsage[] =
    "Usage: zolt-pack build --image IMG [OPTION]... -o OUT\n"
    "  or:  zolt-pack info FILE [--offset N]\n"
    "  or:  zolt-pack extract FILE -o IMG [--password PW] [--offset N]\n"
    "Build a self-restoring diskette file, describe one, or take its image back out.\n";

const char kCommands[] =
    "\n"
    "Commands:\n"
    "  build     append IMG, compressed, to a copy of the restorer and write OUT\n"
    "  info      describe the container of FILE\n"
    "  extract   write the image that FILE carries to IMG\n"
    "\n"
    "Options (build: --image, --for or --stub, --label, --message, --data,\n"
    "--password, --format, -o; extract: -o, --password, --offset; info: --offset):\n"
    "  -i, --image=IMG      the diskette image: an image file, or a diskette read\n"
    "                       whole (/dev/fd0, a USB diskette drive's /dev/sdX;\n"
    "                       \\\\.\\A: on Windows)\n"
    "      --for=PLATFORM   append the restorer for windows (zolt.exe) or linux\n"
    "                       (zolt); default: the platform zolt-pack runs on. It is\n"
    "                       looked for beside zolt-pack, then in ../lib/zolt\n"
    "      --stub=RESTORER  append this restorer program instead\n"
    "      --label=FILE     the label text (UTF-8)\n"
    "      --message=FILE   the message shown to the user (UTF-8)\n"
    "      --data=FILE      the technical data text (UTF-8)\n"
    "  -p, --password=PW    protect the image with a password of 1 to 12 characters\n"
    "                       (build), or give it (extract)\n"
    "  -f, --format=NAME    the diskette format: 160k 180k 320k 360k 720k 1.2m\n"
    "                       1.44m 1.68m 2.88m; default from the image's boot\n"
    "                       sector, else from its size\n"
    "  -o, --output=FILE    the file to write\n"
    "      --offset=N       the container starts at byte N of FILE\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Exit status: 0 done, 1 failed (one line on stderr says why), 2 wrong usage.\n";

int Fail(const std::string& message) {
  fprintf(stderr, "zolt-pack: %s\n", message.c_str());
  return 1;
}

int Usage(const std::string& message) {
  fprintf(stderr, "zolt-pack: %s\n%s", message.c_str(), kUsage);
  return 2;
}

int Help() {
  fputs(kUsage, stdout);
  fputs(kCommands, stdout);
  return 0;
}

int Version() {
  printf("zolt-pack %s\n", ZOLT_VERSION);
  return 0;
}

enum Option { kImage, kStub, kLabel, kMessage, kData, kPassword, kFormat, kOutput, kOffset, kFor, kOptionCount };

// The long options; each takes a value ("--name VALUE" or "--name=VALUE").
// getopt_long returns kLongOptionBase + Option for them.
constexpr int kLongOptionBase = 256;
const struct option kLongOptions[] = {
    {"image", required_argument, nullptr, kLongOptionBase + kImage},
    {"stub", required_argument, nullptr, kLongOptionBase + kStub},
    {"for", required_argument, nullptr, kLongOptionBase + kFor},
    {"label", required_argument, nullptr, kLongOptionBase + kLabel},
    {"message", required_argument, nullptr, kLongOptionBase + kMessage},
    {"data", required_argument, nullptr, kLongOptionBase + kData},
    {"password", required_argument, nullptr, kLongOptionBase + kPassword},
    {"format", required_argument, nullptr, kLongOptionBase + kFormat},
    {"output", required_argument, nullptr, kLongOptionBase + kOutput},
    {"offset", required_argument, nullptr, kLongOptionBase + kOffset},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
const char kShortOptions[] = "+:i:p:f:o:hV";

const char* const kOptionSpelling[kOptionCount] = {"--image",  "--stub",   "--label",  "--message", "--data",
                                                   "--password", "--format", "-o",     "--offset",  "--for"};

// The options of a command line and its one positional argument.
struct Arguments {
  std::string positional;
  std::string values[kOptionCount];
  bool given[kOptionCount] = {};
  bool help = false;
  bool version = false;
};

int OptionOfShort(int c) {
  switch (c) {
    case 'i': return kImage;
    case 'p': return kPassword;
    case 'f': return kFormat;
    case 'o': return kOutput;
  }
  return -1;
}

// Reads the arguments after the command (argv[1]) with getopt_long; options
// and the positional argument come in any order, "--" ends the options.
// `allowed` has bit (1 << option) set for each option the command takes.
// False with `error` set on anything else.
bool ParseArguments(int argc, char** argv, unsigned allowed, Arguments* args, std::string* error) {
  // getopt_long starts at words[1]: the command stands as the program name.
  // A positional argument is taken here before getopt_long sees it, so
  // nothing is reordered.
  int count = argc - 1;
  char** words = argv + 1;
  opterr = 0;
  optind = 1;
  bool optionsEnded = false;
  while (optind < count) {
    const char* word = words[optind];
    if (!optionsEnded && strcmp(word, "--") == 0) {
      optionsEnded = true;
      ++optind;
      continue;
    }
    if (optionsEnded || word[0] != '-' || word[1] == '\0') {
      if (!args->positional.empty()) {
        *error = std::string("unexpected argument ") + word;
        return false;
      }
      args->positional = word;
      ++optind;
      continue;
    }
    optopt = 0;
    int c = getopt_long(count, words, kShortOptions, kLongOptions, nullptr);
    // A short option names itself; a long one is the word just read.
    const std::string spelled = optopt > 0 && optopt < kLongOptionBase ? std::string("-") + char(optopt)
                                                                         : std::string(words[optind - 1]);
    if (c == '?') {
      *error = "unknown option " + spelled;
      return false;
    }
    if (c == ':') {
      *error = "option " + spelled + " needs a value";
      return false;
    }
    if (c == 'h') {
      args->help = true;
      continue;
    }
    if (c == 'V') {
      args->version = true;
      continue;
    }
    int option = c >= kLongOptionBase ? c - kLongOptionBase : OptionOfShort(c);
    if (option < 0) {
      *error = "unknown option " + spelled;
      return false;
    }
    if ((allowed & (1u << option)) == 0) {
      *error = std::string("option ") + kOptionSpelling[option] + " does not apply to " + argv[1];
      return false;
    }
    if (args->given[option]) {
      *error = std::string("option ") + kOptionSpelling[option] + " is given twice";
      return false;
    }
    args->given[option] = true;
    args->values[option] = optarg;
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

// The restorer to append: --stub as given, else the one for --for (by
// default this platform's) beside zolt-pack or where it was installed.
bool ChooseRestorer(const Arguments& args, std::string* path, std::string* error) {
  if (args.given[kStub]) {
    *path = args.values[kStub];
    return true;
  }
  RestorerPlatform platform = HostPlatform();
  if (args.given[kFor] && !ParseRestorerPlatform(args.values[kFor], &platform)) {
    *error = "--for takes windows or linux, not \"" + args.values[kFor] + "\"";
    return false;
  }
  return FindRestorer(platform, ProgramPath(), path, error);
}

int RunBuild(const Arguments& args) {
  if (!args.positional.empty()) return Usage("unexpected argument " + args.positional);
  if (!args.given[kImage]) return Usage("build needs --image");
  if (!args.given[kOutput]) return Usage("build needs -o OUT");
  if (args.given[kPassword] && args.values[kPassword].empty()) return Fail("the password is empty");
  if (args.given[kStub] && args.given[kFor]) return Usage("--stub and --for exclude each other");
  std::string error;
  BuildOptions options;
  options.imagePath = args.values[kImage];
  if (!ChooseRestorer(args, &options.stubPath, &error)) return Fail(error);
  options.labelPath = args.values[kLabel];
  options.messagePath = args.values[kMessage];
  options.dataPath = args.values[kData];
  options.password = args.values[kPassword];
  options.formatName = args.values[kFormat];
  options.outputPath = args.values[kOutput];
  BuildReport report;
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
  if (command == "-h" || command == "--help" || command == "help") return Help();
  if (command == "-V" || command == "--version") return Version();
  unsigned allowed;
  if (command == "build")
    allowed = 1u << kImage | 1u << kStub | 1u << kFor | 1u << kLabel | 1u << kMessage | 1u << kData |
              1u << kPassword | 1u << kFormat | 1u << kOutput;
  else if (command == "info")
    allowed = 1u << kOffset;
  else if (command == "extract")
    allowed = 1u << kOutput | 1u << kPassword | 1u << kOffset;
  else
    return Usage("unknown command " + command);
  Arguments args;
  std::string error;
  if (!ParseArguments(argc, argv, allowed, &args, &error)) return Usage(error);
  if (args.help) return Help();
  if (args.version) return Version();
  if (command == "build") return RunBuild(args);
  if (command == "info") return RunInfo(args);
  return RunExtract(args);
}
