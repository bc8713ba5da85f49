// The in-process program harness.
#include "helpers/program_in_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/startup.h"
#include "container/catalogue.h"
#include "front_ends/front_end.h"
#include "kernel32/standin.h"
#include "resource.h"
#include "user32/dialog_input.h"

namespace {

int AnswerOk(HWND, const char*, const char*, UINT) { return IDOK; }
const FrontEnd kQuietFrontEnd = {"quiet", nullptr, nullptr, nullptr, nullptr, nullptr, AnswerOk};

}  // namespace

bool Eventually(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

bool CanPress(int id) {
  HWND control = GetDlgItem(app.mainWindow, id);
  return IsWindowVisible(control) && IsWindowEnabled(control);
}

std::vector<std::string> MessageListLines() {
  std::vector<std::string> lines;
  const LRESULT count = SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[512] = "";
    SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETTEXT, WPARAM(i), (LPARAM)text);
    lines.push_back(text);
  }
  return lines;
}

void ProgramInProcess::SetUp() {
  ResetAppState();
  SetFrontEnd(&kQuietFrontEnd);
  std::string error;
  ASSERT_TRUE(ParseDriveSetting(("a:=floppy:" + dir / "a.img").c_str(), &error)) << error;
}

void ProgramInProcess::TearDown() {
  // A worker still waiting for the user is let go as stopped while the
  // dialog is still there (in a real process it would end with the
  // process); every thread the program started has ended before the
  // dialog quits and the next test begins. A worker that has ended has
  // closed its semaphore, and the release then fails harmlessly.
  if (program.joinable()) {
    app.userStopped = 1;
    if (app.threadSemaphore != nullptr) ReleaseSemaphore(app.threadSemaphore, 1, nullptr);
    EXPECT_TRUE(Eventually([] { return StandInCreatedThreadsIdle(); }));
    // A test that failed half-way may leave a print job's dialog open,
    // waiting for a person: "&Quit" waits for the job, so without this it
    // would wait for ever and the failure would show as a time-out.
    // Escape ends each such dialog (the job prints nothing).
    for (int i = 0; i < 8; ++i) {
      HWND top = TopDialog();
      if (top == nullptr || top == app.mainWindow) break;
      PressKey(top, kKeyEscape);
      EXPECT_TRUE(Eventually([top] { return TopDialog() != top && StandInCreatedThreadsIdle(); }));
    }
    PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
    program.join();
  }
  // A test that quit before any run left the worker waiting for the user,
  // and start-up then keeps what the worker may still use, as the process
  // would end next. Here the worker is let go as stopped and ends, and the
  // catalogue, texts, work buffer and image file it kept are let go before
  // the state is reset.
  app.userStopped = 1;
  if (app.threadSemaphore != nullptr) ReleaseSemaphore(app.threadSemaphore, 1, nullptr);
  EXPECT_TRUE(Eventually([] { return StandInCreatedThreadsIdle(); }));
  FreeTextTable(&app.messages);
  FreeTextTable(&app.freeTexts);
  free(app.textBuffer);
  if (app.imageFileName != nullptr && app.imageFile != nullptr) fclose(app.imageFile);
  SetStandInModuleFileName(nullptr);
  SetStandInVirtualClock(false);
  SetFrontEnd(nullptr);
  std::string error;
  ParseDriveSetting("", &error);
  ParseWindowsSetting(nullptr, &error);
  ResetAppState();
}

void ProgramInProcess::Start(const std::string& containerPath, const std::string& commandLine) {
  SetStandInModuleFileName(containerPath.c_str());
  line = commandLine;
  static char instance;  // any non-null value names the program's module
  program = std::thread([this] { exitCode = RunRestorer((HINSTANCE)&instance, line.data()); });
}

int ProgramInProcess::Quit() {
  EXPECT_TRUE(Eventually([] { return StandInCreatedThreadsIdle(); }));
  PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
  program.join();
  return exitCode;
}
