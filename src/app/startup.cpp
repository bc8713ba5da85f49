// Start-up: version check, options, and the end of the process.
#include "app/startup.h"

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/image_file.h"
#include "app/restore_worker.h"
#include "resource.h"
#include "ui/main_dialog.h"

const char kVersionRefusedText[] =
    "ZOLT must be run under DOS, Windows 9X/Me, Windows NT4, Windows 2000, Windows XP, "
    "Windows Vista or Windows 7.";
const char kVersionRefusedCaption[] = "Error !!!";

bool CheckWindowsVersion() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = 148;  // sizeof(OSVERSIONINFOA)
  // A failed query leaves the major version 0, which is refused below.
#if defined(_MSC_VER) || defined(__MINGW32__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  GetVersionExA(&version);
#if defined(_MSC_VER) || defined(__MINGW32__)
#pragma GCC diagnostic pop
#endif
  if (version.dwMajorVersion < 4 || version.dwMajorVersion > 6) {
    MessageBoxA(nullptr, kVersionRefusedText, kVersionRefusedCaption, MB_ICONWARNING);
    return false;
  }
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    app.isNT = 1;
  else
    app.isNT = 0;
  return true;
}

int RunRestorer(HINSTANCE instance, char* commandLine) {
  char* argv[kMaxArguments];
  int argc = SplitCommandLine(commandLine, argv);
  return RunRestorerWithArguments(instance, argc, argv);
}

int RunRestorerWithArguments(HINSTANCE instance, int argc, char* argv[]) {
  app.instance = instance;
  FreeTextTable(&app.messages);
  FreeTextTable(&app.freeTexts);
  app.imageFileName = nullptr;
  app.imageFile = nullptr;

  if (!CheckWindowsVersion()) return -1;

  if (app.textBuffer == nullptr) app.textBuffer = (char*)malloc(kTextBufferSize);
  if (app.textBuffer == nullptr) return 8;

  ApplyArguments(argc, argv);

  app.dialogSemaphore = CreateSemaphoreA(nullptr, 0, 1, "DialogSemaphore");
  DWORD threadId = 0;
  HANDLE worker = CreateThread(nullptr, kWorkerStackSize, RestoreWorker, nullptr, 0, &threadId);
  if (worker == nullptr) {
    app.errorCode = 8;
  } else {
    LOGFONTA font{};
    font.lfHeight = 14;
    font.lfWidth = 9;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH;
    snprintf(font.lfFaceName, sizeof font.lfFaceName, "Fixedsys");
    app.listFont = CreateFontIndirectA(&font);

    WaitForSingleObject(app.dialogSemaphore, 10000);
    if (app.startupFailure[0] != '\0') {
      // Without the catalogue there are no captions and no messages.
      MessageBoxA(nullptr, app.startupFailure, "ZOLT", MB_ICONHAND | MB_OK);
    } else {
      DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, MainDialog, 0);
    }
  }

  // Nothing waits for the worker: the process ends with the dialog, and the
  // worker with it. A worker that has not ended yet (the user quit after a
  // stop, while the last track was still being finished) may still use the
  // catalogue, its work buffer and the image file, so those are left to the
  // end of the process instead of being freed under its feet.
  // An image being written beside its name must not outlive the process:
  // a run still finishing its last track (the user quit after a stop) is
  // given the time to end and remove it itself.
  if (worker != nullptr && app.runStarted && ImageFilePending()) WaitForSingleObject(worker, 10000);
  const bool workerEnded = worker == nullptr || WaitForSingleObject(worker, 0) == WAIT_OBJECT_0;
  // A run that never started leaves the worker waiting for it, away from
  // the image file: nothing was written, and nothing replaces the file
  // under its name.
  if (workerEnded || !app.runStarted) SettleImageFile(false);
  if (worker != nullptr) CloseHandle(worker);
  if (workerEnded) {
    FreeTextTable(&app.messages);
    FreeTextTable(&app.freeTexts);
    if (app.imageFileName != nullptr && app.imageFile != nullptr) {
      fclose(app.imageFile);
      app.imageFile = nullptr;
    }
    free(app.textBuffer);
    app.textBuffer = nullptr;
  } else if (app.imageFile != nullptr) {
    fflush(app.imageFile);
  }
  int exitCode = app.errorCode | app.userStopped;
  // An unattended run is asked to end with its outcome: one that never
  // started has not succeeded. It ends with the reason it could not start,
  // or as cancelled when the user quit before it did (or its password
  // never came).
  if (app.autoStart && !app.runStarted && exitCode == 0)
    exitCode = app.startRefusal != 0 ? app.startRefusal.load() : ERROR_CANCELLED;
  return exitCode;
}
