// The restore worker's sequence and its end-of-run report.
#include "app/restore_worker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/image_file.h"
#include "app/image_file_writer.h"
#include "app/list_message.h"
#include "app/inflate_glue.h"
#include "app/output_sink.h"
#include "container/catalogue.h"
#include "container/container_header.h"
#include "container/container_offset.h"
#include "resource.h"
#include "ui/message_list.h"
#ifndef _WIN32
#include "ui/linux_progress_line.h"
#endif
#include "ui/progress.h"
#include "writer/disk_output.h"

namespace {

// A failure before the catalogue is in memory: the dialog cannot be built,
// so start-up shows this fixed text in a message box instead. Releasing
// "DialogSemaphore" spares start-up the rest of its wait.
void FailBeforeCatalogue(int code, const char* format, const char* detail) {
  app.errorCode = code;
  snprintf(app.startupFailure, sizeof app.startupFailure, format, app.moduleFileName, detail);
  ReleaseSemaphore(app.dialogSemaphore, 1, nullptr);
}

// Opens the own file and reads the header; 0 or the code of the failure,
// already reported.
int OpenContainer() {
  app.containerFile = fopen(app.moduleFileName, "rb");
  if (app.containerFile == nullptr) {
    app.lastResult = 2;
    FailBeforeCatalogue(2, "ZOLT cannot open its own file:\n%s%s\nPlease run it from a command prompt.", "");
    return 2;
  }
  app.lastResult = 0;
  const char* reason = nullptr;
  if (FindContainerOffset(app.containerFile, &app.containerOffset, &reason) != 0) {
    FailBeforeCatalogue(2, "ZOLT cannot read its own program headers:\n%s\n(%s)", reason);
    return 2;
  }
  ContainerHeader header;
  int result = ReadContainerHeader(app.containerFile, app.containerOffset, &header);
  if (result == 24) {
    FailBeforeCatalogue(24, "%s\nis shorter than the program itself: it carries no diskette image.%s", "");
    return 24;
  }
  if (result == 30 && fseek(app.containerFile, 0, SEEK_END) == 0 &&
      ftell(app.containerFile) == long(app.containerOffset)) {
    // Nothing at all after the program: the restorer as it was built, not
    // a self-restoring file that lost its end.
    FailBeforeCatalogue(24,
                        "%s\ncarries no diskette image: it is the restorer alone.%s\n"
                        "Make a self-restoring file from a diskette image with\n"
                        "  zolt-pack build --image DISK.img -o DISK",
                        "");
    return 24;
  }
  if (result != 0) {
    app.lastResult = result;
    app.runStatus = result;
    FailBeforeCatalogue(result, "%s\nends inside the header of its diskette image: the file is damaged.%s", "");
    return result;
  }
  if (CheckDiskFormat(header.format, &reason) != 0) {
    FailBeforeCatalogue(13, "%s\ncarries a diskette image of an impossible format:\n%s.", reason);
    return 13;
  }
  app.format = header.format;
  memcpy(app.writerBpb, &header.format, kBpbLength);
  app.totalSectors = FormatTotalSectors(header.format);
  // The size line counts the image's own sectors, of whatever size; the
  // line's number is 32 bits wide.
  const uint64_t imageBytes = FormatImageBytes(header.format);
  app.imageBytes = imageBytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(imageBytes);
  app.largeMediaMode = FormatImageBytes(header.format) > 7000000 ? 999 : 0;
  app.deflateBudget = header.deflateLength > 0x7FFFFFFFu ? 0x7FFFFFFF : int32_t(header.deflateLength);
  app.checksumPresent = header.checksumPresent;
  app.expectedCrc = header.imageCrc;
  app.cylinderCount = header.format.cylinders;
  return 0;
}

// Runs the decompressor over the stream. Returns its result.
int Decompress() {
  app.cylinder = app.head = 0;
  app.inputBuffer = (uint8_t*)malloc(kInputBufferSize);
  if (app.inputBuffer == nullptr) {
    FailBeforeCatalogue(8, "Not enough memory to read\n%s%s", "");
    return 8;
  }
  // The image file's writer thread is made now, before the dialog exists,
  // and waits. Made at the user's start of the run, it would be a thread
  // that the start brought up, and the POSIX stand-in's line mode waits for
  // such threads to settle before it takes the next command: a writer held
  // in a write to a pipe that nobody reads yet never does.
  if (app.imageFile != nullptr) StartImageFileWriter();
  int result = InflateInit();
  if (result == 0) result = InflateRun();
  // The tracks handed to the image file's writer are written before the
  // run's outcome is settled. A write among them that fell short happened
  // before whatever ended the decompression after it, and ends the run as
  // a short write always does.
  if (EndImageFileWriter() != 0) {
    result = 8;
    app.errorCode = 8;
    app.runStatus = 8;
  }
  app.lastResult = result;
  if (app.errorCode == 21) app.runStatus = 21;
  if (result != 0 && app.errorCode == 0) app.errorCode = result;
  InflateEnd();
  InvalidateRgn(app.mainWindow, nullptr, FALSE);
  free(app.inputBuffer);
  app.inputBuffer = nullptr;
  return result;
}

// The run's outcome, once the stream has ended: the sink's last result,
// then the checksum.
void SettleRunStatus() {
  if (app.runStatus == 0) app.runStatus = app.lastSinkResult;
  if (app.checksumPresent && app.expectedCrc != app.runningCrc && app.runStatus == 0) {
    app.runStatus = 4;
    app.lastResult = 4;
    if (app.errorCode == 0) app.errorCode = 4;
  }
}

// The image file replaces the file under its name only after a run that
// succeeded; any other run leaves that file as it was.
void SettleImageFileOfTheRun() {
  const int result = SettleImageFile(app.runStatus == 0 && app.userStopped == 0);
  if (result != 0) {
    app.runStatus = result;
    if (app.errorCode == 0) app.errorCode = result;
  }
}

// What the run did, in the message list, with the beep. Every way a run
// ends comes here.
void ReportEndOfRun() {
#ifndef _WIN32
  EndProgressLine();
#endif
  if (app.userStopped == 0 && app.imageCompleted != 0)
    LIST_MESSAGE(65, "slXlX", kProductPrefix, (unsigned long)app.expectedCrc,
                 (unsigned long)app.runningCrc);
  if (app.runStatus == 0 && app.userStopped == 0) {
    SignalSuccess();
    LIST_MESSAGE(33, "");
    if (app.integrityCheck != 0)
      app.integrityCheck = 0;
    else
      LIST_MESSAGE(42, "");
    return;
  }
  if (app.userStopped != 0) {
    LIST_MESSAGE(3, "");
  } else {
    switch (app.errorCode) {
      case 2030:  // message 90 is already listed
      case 82:    // so is the image file that could not be made
      case 50:    // and the unsupported operation
        break;
      case 21:
        LIST_MESSAGE(57, "");
        break;
      case 19:
        LIST_MESSAGE(4, "");
        break;
      default:
        LIST_MESSAGE(2, "");
        break;
    }
  }
  SignalFailure();
}

// The image file is flushed when the run ends: a write that fails only now
// is a short write like any other.
void FlushImageFile() {
  if (app.imageFile == nullptr || !app.runStarted) return;
  if (fflush(app.imageFile) != 0 && app.runStatus == 0) {
    app.runStatus = ReportImageFileFull();
    if (app.errorCode == 0) app.errorCode = 8;
  }
}

// Sleep takes 32-bit milliseconds (and 0xFFFFFFFF means for ever): a long
// delay is slept a day at a time, never as a product that wraps.
void SleepSeconds(int seconds) {
  const uint64_t kDay = 86400000u;
  for (uint64_t left = uint64_t(seconds) * 1000u; left != 0;) {
    const uint64_t piece = left < kDay ? left : kDay;
    Sleep(DWORD(piece));
    left -= piece;
  }
}

}  // namespace

DWORD WINAPI RestoreWorker(LPVOID) {
  app.errorCode = 0;
  Sleep(1200);
  GetModuleFileNameA(nullptr, app.moduleFileName, kModuleFileNameSize);
  app.threadSemaphore = CreateSemaphoreA(nullptr, 0, 1, "ThreadSem");
  if (OpenContainer() != 0) return 0;

  int result = Decompress();
  if (app.messages.entry == nullptr) {
    // The stream failed before the catalogue was complete.
    if (app.errorCode == 0) app.errorCode = result != 0 ? result : 13;
    char code[32];
    snprintf(code, sizeof code, "%d", app.errorCode.load());
    FailBeforeCatalogue(app.errorCode, "%s\nholds damaged compressed data (error %s).", code);
    return 0;
  }
  // The stream is through: a stop can stop nothing from here on, and the
  // dialog asks none. One it took while the run was still going counts,
  // even if its flags are not written yet.
  if (app.operationRunning.exchange(kRunThrough) == kRunStopping) {
    app.userStopped = 1;
    app.runStatus = 1;
  }
  if (result != 0 && app.runStatus == 0) app.runStatus = result;
  if (result == 0 && !app.imageHandedOn && app.userStopped == 0) {
    // The stream ended before the whole image was handed on.
    app.errorCode = 1;
    app.runStatus = 1;
  }
  FlushImageFile();

  free(app.trackBuffer);
  free(app.verifyBuffer);
  app.trackBuffer = app.verifyBuffer = nullptr;
  if (app.integrityCheck == 0 && app.imageFile == nullptr) ReleaseDiskOutput();

  SettleRunStatus();
  SettleImageFileOfTheRun();
  ReportEndOfRun();
  EnableWindow(GetDlgItem(app.mainWindow, IDC_CANCEL_RUN), FALSE);
  EnableWindow(GetDlgItem(app.mainWindow, IDC_QUIT), TRUE);

  fclose(app.containerFile);
  app.containerFile = nullptr;
  CloseHandle(app.threadSemaphore);
  CloseHandle(app.dialogSemaphore);
  CloseHandle(app.dialogInitSemaphore);

  if (app.driveFromCommandLine && app.autoStart && app.runStatus == 0 && app.userStopped == 0 &&
      app.quitDelaySeconds != 0) {
    SleepSeconds(app.quitDelaySeconds);
    PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
  }
  app.operationRunning = 0;
  return 0;
}
