// The main dialog's states, driven through the stand-in: the program's
// start-up runs in this process on a thread of its own, with a container as
// its program file, and the test acts as the user, pressing buttons and
// reading which controls each state leaves enabled, disabled or hidden.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "app/app_state.h"
#include "app/startup.h"
#include "container_fixture.h"
#include "program_in_process.h"
#include "platform/posix/dialog_input.h"
#include "platform/posix/front_end.h"
#include "platform/posix/standin.h"
#include "resource.h"
#include "run_program.h"
#include "test_files.h"

namespace {

// One letter per control: E enabled, D disabled, H hidden. In this order:
// drive list, "Print &label", "&Test only", password, "&Ok", "&Cancel",
// "&Quit", "&Help".
std::string States() {
  const int ids[] = {IDC_DRIVE_LIST, IDC_PRINT_LABEL, IDC_TEST_ONLY, IDC_PASSWORD,
                     IDOK,           IDC_CANCEL_RUN,  IDC_QUIT,      IDC_HELP};
  std::string states;
  for (int id : ids) {
    HWND control = GetDlgItem(app.mainWindow, id);
    states += !IsWindowVisible(control) ? 'H' : IsWindowEnabled(control) ? 'E' : 'D';
  }
  return states;
}

using DialogStates = ProgramInProcess;

}  // namespace

TEST_F(DialogStates, FromInitialisedToFinished) {
  std::string exe = dir / "sample.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 5)), exe));
  // The image file is a pipe nobody reads yet: the run blocks in its first
  // writes and can be seen running.
  std::string fifo = dir / "pipe.img";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  int pipeEnd = open(fifo.c_str(), O_RDWR);
  ASSERT_GE(pipeEnd, 0);

  // The real pauses (1.2 s at start, 0.5 s after the dialog) leave time to
  // see the dialog before the free texts arrive.
  Start(exe, "/D=" + fifo);
  // The dialog is shown once its initialisation is over.
  ASSERT_TRUE(Eventually([] { return app.mainWindow != nullptr && IsWindowVisible(app.mainWindow); }));
  EXPECT_EQ("EDDHDDED", States()) << "Initialised";

  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  EXPECT_EQ("EDEHEDEE", States()) << "Ready";

  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return IsWindowEnabled(GetDlgItem(app.mainWindow, IDC_CANCEL_RUN)); }));
  EXPECT_EQ("EDDHDEDE", States()) << "Running";

  // Escape asks before stopping a running restore; "Yes" stops it.
  PostMessageA(app.mainWindow, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(Eventually([] { return TopDialog() != nullptr && TopDialog() != app.mainWindow; }));
  ASSERT_TRUE(PressButton(GetDlgItem(TopDialog(), IDOK)));
  ASSERT_TRUE(Eventually([] { return app.userStopped != 0; }));
  EXPECT_EQ("EDDHDDEE", States()) << "Stop requested";

  // Drain the pipe: the run sees the stop and finishes as interrupted.
  std::atomic<bool> drained{false};
  std::thread drain([pipeEnd, &drained] {
    fcntl(pipeEnd, F_SETFL, O_NONBLOCK);
    char buffer[65536];
    while (!drained) {
      if (read(pipeEnd, buffer, sizeof buffer) <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_TRUE(Eventually([] { return app.operationRunning == 0; }));
  EXPECT_EQ("EDDHDDEE", States()) << "Finished";
  EXPECT_EQ(1, Quit()) << "stopped by the user";
  drained = true;
  drain.join();
  close(pipeEnd);
}

TEST_F(DialogStates, ReadyWithAPassword) {
  ComposedContainer c = DefaultComposition(PatternImage(1474560, 6));
  c.freeTexts[3] = std::string("\x03", 1) + "\x11\x22\x33";  // a password nobody types
  std::string exe = dir / "protected.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c, exe));
  SetStandInVirtualClock(true);
  Start(exe, "");
  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  EXPECT_EQ("EDEEEDEE", States()) << "Ready, with the password row";

  // A wrong password: the dialog stays ready and keeps the typed text.
  TypeText(GetDlgItem(app.mainWindow, IDC_PASSWORD), "guess");
  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0) >= 4; }));
  EXPECT_EQ("EDEEEDEE", States()) << "still Ready";
  char typed[16] = "";
  GetDlgItemTextA(app.mainWindow, IDC_PASSWORD, typed, sizeof typed);
  EXPECT_STREQ("guess", typed);
}

TEST_F(DialogStates, SourceDriveRefused) {
  // A program file whose path begins with the target's letter lies on the
  // target drive: started from there, it refuses to write to it.
  std::string exe = dir / "a-source.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 7)), exe));
  SetStandInVirtualClock(true);
  char* saved = getcwd(nullptr, 0);
  ASSERT_EQ(0, chdir(dir.path().c_str()));
  Start("a-source.exe", "");
  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return !IsWindowEnabled(GetDlgItem(app.mainWindow, IDOK)); }));
  EXPECT_EQ("EDDHDDEE", States()) << "Source drive refused";
  EXPECT_EQ(0, app.operationRunning.load()) << "no run started";
  ASSERT_EQ(0, chdir(saved));
  free(saved);
}

TEST_F(DialogStates, EscapeBeforeTheRun) {
  std::string exe = dir / "sample.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 8)), exe));
  SetStandInVirtualClock(true);
  Start(exe, "/I");
  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  const uint64_t dialogsBefore = DialogsShownCount();
  // No run yet: no question, the stop is taken at once.
  PostMessageA(app.mainWindow, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(Eventually([] { return app.userStopped != 0; }));
  EXPECT_EQ(dialogsBefore, DialogsShownCount()) << "no question was asked";
  EXPECT_EQ("EDEHEDEE", States());
  // A run started afterwards ends as interrupted at the sink's next step.
  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
  EXPECT_TRUE(Eventually([] { return StandInCreatedThreadsIdle(); }));
  char last[256] = "";
  LRESULT count = SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0);
  SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETTEXT, WPARAM(count - 1), (LPARAM)last);
  EXPECT_STREQ("The operation was interrupted", last);
  EXPECT_EQ(1, Quit());
}
