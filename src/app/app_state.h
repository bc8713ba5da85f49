// AppState: the one process-wide state record. It is zero at process start
// except for its defaults ("a:" and a delay of 5 s); the start-up thread
// writes the options before it starts the worker. Flags that the dialog
// thread and the worker both touch are atomic.
#ifndef ZOLT_APP_APP_STATE_H
#define ZOLT_APP_APP_STATE_H

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "container/catalogue.h"
#include "container/disk_format.h"
#include "platform/win32.h"

constexpr int kTextBufferSize = 32765;
constexpr int kModuleFileNameSize = 255;
constexpr int kMaxArguments = 25;

struct AppState {
  // Start-up and command line.
  HINSTANCE instance{};
  int isNT{};                      // NT family: raw volume access; else VWIN32
  char targetDrive[3] = "a:";      // empty when the command-line drive was refused
  int driveFromCommandLine{};      // a removable drive was named on the command line
  int showHelp{};                  // /H, /?
  int formatWhileCopying{};        // /F, or set by the sink and the writer
  int autoStart{};                 // /Q
  std::atomic<int> integrityCheck{};  // /I or "&Test only"
  char* imageFileName{};           // /D=: points into the command line
  FILE* imageFile{};               // opened ("wb") at start-up
  int quitDelaySeconds = 5;        // /Tn; 0 never quits
  char* textBuffer{};              // kTextBufferSize bytes
  char moduleFileName[kModuleFileNameSize + 1]{};
  uint32_t containerOffset{};      // where the container starts in our own file

  // Catalogue and free texts, from the text block.
  TextTable messages{};
  TextTable freeTexts{};

  // Results.
  int errorCode{};                 // first error of the run; the exit code
  std::atomic<int> runStatus{};    // non-zero makes the end of the run a failure
  int lastResult{};                // result of the last step
  std::atomic<int> userStopped{};
  std::atomic<int> operationRunning{};
  int passwordProtected{};
  int largeMediaMode{};            // 999 for an image above 7,000,000 bytes
};

extern AppState app;

// Puts every field back to its start value. Frees nothing; for tests.
void ResetAppState();

#endif
