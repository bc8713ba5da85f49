// Fuzz target: the restorer's output sink fed an arbitrary decompressed
// stream, cut into windows at the input's own boundaries, in image-file
// mode (/D=) and in check mode (/I, started with "Test only").
//
// The run is the program's own start-up (the command line, the dialog
// semaphore, the main dialog, on the program thread) with a worker of this
// harness in place of the restore worker: it sets up what the restore
// worker takes from its file and the container header, then hands the
// stream to OutputSink window by window, each window a buffer of exactly
// its length, until the sink ends the run. The answering front end starts
// the run and types the seed corpus's password when one is asked for.
//
// When the sink has handed the whole image on, the image it produced is
// checked against the stream: the bytes after the text block and its
// marker, through the password's table, must be what the image file holds
// or what the check's CRC-32 covers.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/image_file.h"
#include "app/image_file_writer.h"
#include "app/output_sink.h"
#include "app/restore_worker.h"
#include "app/startup.h"
#include "container/image_crc.h"
#include "container/le_bytes.h"
#include "container/substitution.h"
#include "program_image.h"
#include "program_run.h"
#include "resource.h"
#include "sink_input.h"
#include "ui/main_dialog.h"

namespace {

[[noreturn]] void Broken(const std::string& what) {
  fprintf(stderr, "output_sink: %s\n", what.c_str());
  abort();
}

struct SinkRun {
  SinkInput input;
  std::string commandLine;
  std::vector<uint8_t>* programFile;  // the program, then the container header's format
};

// The harness's worker: the restore worker's set-up from its file and the
// container header, then the stream window by window.
DWORD WINAPI SinkWorker(LPVOID context) {
  SinkRun* run = static_cast<SinkRun*>(context);
  const DiskFormatRecord& format = run->input.format;
  app.errorCode = 0;
  app.threadSemaphore = CreateSemaphoreA(nullptr, 0, 1, "ThreadSem");
  app.containerFile = fmemopen(run->programFile->data(), run->programFile->size(), "rb");
  if (app.containerFile == nullptr) Broken("fmemopen failed");
  app.containerOffset = uint32_t(RestorerImage().size());
  app.format = format;
  memcpy(app.writerBpb, &format, kBpbLength);
  app.totalSectors = FormatTotalSectors(format);
  app.imageBytes = app.totalSectors * 512u;
  app.largeMediaMode = FormatImageBytes(format) > 7000000 ? 999 : 0;
  app.deflateBudget = run->input.budget;
  app.cylinderCount = format.cylinders;
  app.cylinder = app.head = 0;
  if (app.imageFile != nullptr) StartImageFileWriter();

  const uint8_t* stream = run->input.stream;
  const size_t length = run->input.streamLength;
  const std::vector<uint32_t>& windows = run->input.windows;
  for (size_t at = 0, k = 0; at < length; ++k) {
    size_t count = windows.empty() ? 32768 : windows[k % windows.size()];
    if (count > length - at) count = length - at;
    std::vector<uint8_t> window(stream + at, stream + at + count);
    at += count;
    const int result = OutputSink(window.data(), uint32_t(count));
    app.lastSinkResult = result;
    if (result != 0) {
      app.runStatus = result;
      break;
    }
  }
  // As the restore worker: the tracks handed to the image file's writer
  // are written before the run is over, and the thread ends.
  if (EndImageFileWriter() != 0) app.runStatus = 8;
  // As the restore worker: the image file gets its name only after a run
  // that handed on the whole image; any other run removes it.
  const int settled = SettleImageFile(app.runStatus == 0 && app.imageHandedOn);
  if (settled != 0) app.runStatus = settled;
  if (app.messages.entry == nullptr) {
    // As the restore worker: without its catalogue the dialog cannot be
    // built, and start-up shows a message box instead.
    snprintf(app.startupFailure, sizeof app.startupFailure, "the stream ends before its catalogue");
    ReleaseSemaphore(app.dialogSemaphore, 1, nullptr);
    return 0;
  }
  free(app.trackBuffer);
  free(app.verifyBuffer);
  app.trackBuffer = app.verifyBuffer = nullptr;
  fclose(app.containerFile);
  app.containerFile = nullptr;
  CloseHandle(app.threadSemaphore);
  CloseHandle(app.dialogSemaphore);
  CloseHandle(app.dialogInitSemaphore);
  app.operationRunning = 0;
  return 0;
}

// What RunRestorer does, with the harness's worker.
int StartWithSinkWorker(void* context) {
  SinkRun* run = static_cast<SinkRun*>(context);
  static char instance;
  app.instance = (HINSTANCE)&instance;
  if (!CheckWindowsVersion()) return -1;
  app.textBuffer = (char*)malloc(kTextBufferSize);
  if (app.textBuffer == nullptr) return 8;
  char* argv[kMaxArguments];
  ApplyArguments(SplitCommandLine(run->commandLine.data(), argv), argv);
  app.dialogSemaphore = CreateSemaphoreA(nullptr, 0, 1, "DialogSemaphore");
  HANDLE worker = CreateThread(nullptr, kWorkerStackSize, SinkWorker, run, 0, nullptr);
  if (worker == nullptr) Broken("CreateThread failed");
  LOGFONTA font{};
  font.lfHeight = 14;
  font.lfWidth = 9;
  font.lfPitchAndFamily = FIXED_PITCH;
  app.listFont = CreateFontIndirectA(&font);
  WaitForSingleObject(app.dialogSemaphore, 10000);
  if (app.startupFailure[0] == '\0')
    DialogBoxParamA(app.instance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, MainDialog, 0);
  CloseHandle(worker);
  return app.errorCode | app.userStopped;
}

// Where the image starts in a stream whose text block the sink took: after
// the two records and the marker.
size_t ImageStart(const SinkInput& input) {
  size_t at = 0;
  for (int record = 0; record < 2; ++record) {
    if (at + 9 > input.streamLength) Broken("the sink took a text block that the stream does not hold");
    at += 5 + GetU32(input.stream + at + 1);
  }
  return at + 1;
}

// The image that the sink should have produced: the stream's image bytes
// through the table of the password typed, if any.
std::vector<uint8_t> ExpectedImage(const SinkInput& input, std::vector<uint8_t>* programFile) {
  const size_t start = ImageStart(input);
  const uint64_t length = FormatImageBytes(input.format);
  if (start > input.streamLength || input.streamLength - start < length)
    Broken("the sink handed on an image longer than the stream holds");
  uint8_t table[256];
  char password[16];
  snprintf(password, sizeof password, "%s", kSeedPassword);
  UpperCasePassword(password);
  FILE* file = fmemopen(programFile->data(), programFile->size(), "rb");
  if (!DeriveSubstitutionTable(file, uint32_t(RestorerImage().size()), app.passwordProtected ? password : nullptr,
                               table))
    Broken("the run started with a password whose table cannot be made");
  fclose(file);
  std::vector<uint8_t> image(input.stream + start, input.stream + start + length);
  for (uint8_t& byte : image) byte = table[byte];
  return image;
}

void CheckHandedOnImage(const SinkRun& run, const std::string& imagePath) {
  const std::vector<uint8_t> expected = ExpectedImage(run.input, run.programFile);
  if (run.input.flags & kSinkCheckMode) {
    if (app.runningCrc != ImageCrcUpdate(0, expected.data(), uint32_t(expected.size())))
      Broken("the check's CRC-32 is not that of the stream's image");
    return;
  }
  std::vector<uint8_t> written(expected.size() + 1);
  FILE* file = fopen(imagePath.c_str(), "rb");
  if (file == nullptr) Broken("no image file");
  written.resize(fread(written.data(), 1, written.size(), file));
  fclose(file);
  if (written != expected) Broken("the image file is not the stream's image");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareInProcessProgram(RestorerPath());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> programFile = RestorerImage();
  static const std::string imagePath = ScratchFolder() + "/sink.img";
  SinkRun run;
  // The restore worker refuses a geometry that cannot be restored before
  // anything reaches the sink.
  if (!ParseSinkInput(data, size, &run.input) || CheckDiskFormat(run.input.format, nullptr) != 0) return 0;
  // The password's table is derived from the program up to and including
  // the container's first byte.
  programFile.resize(RestorerImage().size());
  const uint8_t* format = reinterpret_cast<const uint8_t*>(&run.input.format);
  programFile.insert(programFile.end(), format, format + sizeof run.input.format);
  run.programFile = &programFile;

  const bool check = run.input.flags & kSinkCheckMode;
  run.commandLine = check ? "/I" : "/D=" + imagePath;
  if (run.input.flags & kSinkAutoStart) run.commandLine += " /Q";
  if (run.input.flags & kSinkShowHelp) run.commandLine += " /H";
  SetStartButton(check ? IDC_TEST_ONLY : IDOK);
  unlink(imagePath.c_str());

  RunInProcess(StartWithSinkWorker, &run);
  if (app.imageHandedOn && (check || app.runStatus == 0)) {
    CheckHandedOnImage(run, imagePath);
  } else if (!check && (access(imagePath.c_str(), F_OK) == 0 || access((imagePath + ".zolt-part").c_str(), F_OK) == 0)) {
    Broken("a run that did not hand on the whole image left an image file");
  }
  EndInProcessRun();
  return 0;
}
