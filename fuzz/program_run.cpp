// The in-process program runs of the fuzz targets.
#include "program_run.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "app/app_state.h"
#include "front_ends/front_end.h"
#include "kernel32/standin.h"
#include "program_image.h"
#include "resource.h"
#include "user32/dialog_input.h"

namespace {

std::atomic<int> startButton{IDOK};
std::atomic<bool> startPressed{false};  // once per run, as a person presses it

int AnswerOk(HWND, const char*, const char*, UINT) { return IDOK; }

// A control changed: when it is the start button and it has become usable,
// start the run. Runs on the thread that changed it (the worker).
void StartWhenReady(HWND control) {
  const HWND dialog = app.mainWindow;
  const int id = startButton;
  if (dialog == nullptr || id == 0 || control != GetDlgItem(dialog, id)) return;
  if (!IsWindowEnabled(control) || !IsWindowVisible(control) || startPressed.exchange(true)) return;
  HWND password = GetDlgItem(dialog, IDC_PASSWORD);
  if (IsWindowVisible(password)) TypeText(password, kSeedPassword);
  PressButton(control);
}

const FrontEnd kAnsweringFrontEnd = {"answering", nullptr, nullptr, nullptr, StartWhenReady, nullptr, AnswerOk};

// The program thread: runs one start-up at a time, so that the dialog
// manager keeps one queue for all runs.
struct ProgramThread {
  std::mutex lock;
  std::condition_variable wake;
  int (*startUp)(void*) = nullptr;
  void* context = nullptr;
  int result = 0;
  std::atomic<bool> returned{false};
};

ProgramThread& Program() {
  static ProgramThread* program = [] {
    ProgramThread* p = new ProgramThread;
    std::thread([p] {
      for (;;) {
        int (*startUp)(void*);
        void* context;
        {
          std::unique_lock<std::mutex> hold(p->lock);
          p->wake.wait(hold, [p] { return p->startUp != nullptr; });
          startUp = p->startUp;
          context = p->context;
        }
        const int result = startUp(context);
        {
          std::lock_guard<std::mutex> hold(p->lock);
          p->startUp = nullptr;
          p->result = result;
        }
        p->returned = true;
      }
    }).detach();
    return p;
  }();
  return *program;
}

void Pause() { std::this_thread::sleep_for(std::chrono::microseconds(20)); }

void WaitForCreatedThreads() {
  while (!StandInCreatedThreadsIdle()) Pause();
}

// The main dialog is up, waiting, with nothing to handle.
bool DialogWaiting() {
  const HWND dialog = app.mainWindow;
  return dialog != nullptr && TopDialog() == dialog && DialogThreadsIdle();
}

// Nothing more will happen by itself. The worker can leave a wait without
// time limit only through the dialog, whose command to release it was
// posted before the wait began; so created threads idle, then the dialog
// idle, then both again, cannot all hold while the run moves on.
bool Quiescent() {
  return StandInCreatedThreadsIdle() && DialogWaiting() && StandInCreatedThreadsIdle() && DialogWaiting();
}

}  // namespace

void PrepareInProcessProgram(const std::string& programPath) {
  std::string error;
  if (!ParseWindowsSetting("nt", &error) ||
      !ParseDriveSetting(("a:=floppy:" + ScratchFolder() + "/a.img").c_str(), &error)) {
    fprintf(stderr, "fuzz: %s\n", error.c_str());
    exit(2);
  }
  SetStandInVirtualClock(true);
  SetStandInModuleFileName(programPath.c_str());
  SetFrontEnd(&kAnsweringFrontEnd);
}

void SetStartButton(int id) { startButton = id; }

int RunInProcess(int (*startUp)(void*), void* context) {
  ProgramThread& program = Program();
  startPressed = false;
  program.returned = false;
  {
    std::lock_guard<std::mutex> hold(program.lock);
    program.startUp = startUp;
    program.context = context;
  }
  program.wake.notify_one();
  while (!program.returned) {
    if (Quiescent()) {
      // The user stops and quits; a worker waiting for the start goes on,
      // sees the stop, and ends.
      app.userStopped = 1;
      if (app.threadSemaphore != nullptr) ReleaseSemaphore(app.threadSemaphore, 1, nullptr);
      WaitForCreatedThreads();
      PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
      while (!program.returned) Pause();
      break;
    }
    Pause();
  }
  // The worker may still be on its last steps after the dialog ended.
  WaitForCreatedThreads();
  std::lock_guard<std::mutex> hold(program.lock);
  return program.result;
}

void EndInProcessRun() {
  if (app.startupFailure[0] != '\0') {
    // The worker ended before its catalogue without closing these.
    if (app.threadSemaphore != nullptr) CloseHandle(app.threadSemaphore);
    if (app.dialogSemaphore != nullptr) CloseHandle(app.dialogSemaphore);
  }
  FreeTextTable(&app.messages);
  FreeTextTable(&app.freeTexts);
  free(app.textBuffer);
  free(app.trackBuffer);
  free(app.verifyBuffer);
  if (app.imageFile != nullptr) fclose(app.imageFile);
  if (app.containerFile != nullptr) fclose(app.containerFile);
  if (app.listFont != nullptr) DeleteObject(app.listFont);
  ResetAppState();
}
