// The main dialog's states, driven through the stand-in: the program's
// start-up runs in this process on a thread of its own, with a container as
// its program file, and the test acts as the user, pressing buttons and
// reading which controls each state leaves enabled, disabled or hidden.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "app/app_state.h"
#include "app/startup.h"
#include "front_ends/front_end.h"
#include "helpers/container_fixture.h"
#include "helpers/program_in_process.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "resource.h"
#include "user32/dialog_input.h"
#include "user32/window.h"

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

// The control of the main dialog that has the keyboard focus, and its
// selected characters.
struct Focus {
  int id = -1;  // -1: none, 0: the dialog itself
  int selectFrom = 0, selectTo = 0;
};
Focus MainDialogFocus() {
  UserHold hold(UserLock());
  Focus focus;
  HWND dialog = app.mainWindow;
  if (!WindowIsLive(dialog)) return focus;
  HWND window = dialog->dialogRecord->queue->focus;
  if (!WindowIsLive(window) || window->dialog != dialog) return focus;
  focus.id = window->id;
  focus.selectFrom = window->selectFrom;
  focus.selectTo = window->selectTo;
  return focus;
}

bool Listed(const std::string& line) {
  std::vector<std::string> lines = MessageListLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The question shown over the main dialog, or null.
HWND Question() {
  HWND top = TopDialog();
  return top != nullptr && top != app.mainWindow.load() ? top : nullptr;
}

// A pipe at `path`, held open at both ends but read by nobody yet, so that
// a run writing its image there waits in its first writes; its descriptor,
// or -1.
int UnreadPipe(const std::string& path) {
  if (mkfifo(path.c_str(), 0600) != 0) return -1;
  return open(path.c_str(), O_RDWR);
}

using DialogStates = ProgramInProcess;

}  // namespace

TEST_F(DialogStates, FromInitialisedToFinished) {
  std::string exe = dir / "sample.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 5)), exe));
  // The image file is a pipe nobody reads yet: the run blocks in its first
  // writes and can be seen running.
  std::string fifo = dir / "pipe.img";
  int pipeEnd = UnreadPipe(fifo);
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
  // "&Ok" had the focus and is disabled now: the focus went on to "&Cancel",
  // where Escape and Enter still reach the dialog.
  EXPECT_EQ(IDC_CANCEL_RUN, MainDialogFocus().id);

  // Escape asks before stopping a running restore; "Yes" stops it.
  PostMessageA(app.mainWindow, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(Eventually([] { return TopDialog() != nullptr && TopDialog() != app.mainWindow; }));
  ASSERT_TRUE(PressButton(GetDlgItem(TopDialog(), IDOK)));
  ASSERT_TRUE(Eventually([] { return app.userStopped != 0; }));
  EXPECT_EQ("EDDHDDEE", States()) << "Stop requested";
  EXPECT_TRUE(Eventually([] { return MainDialogFocus().id == IDC_QUIT; })) << "the focus is on the disabled Cancel";

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

  EXPECT_TRUE(Eventually([] { return MainDialogFocus().id == IDC_PASSWORD; }));

  // A wrong password, "&Ok" pressed (a click moves the focus there): the
  // dialog stays ready, keeps the typed text and gives the focus back to
  // the field with the text selected, so the next try replaces it.
  TypeText(GetDlgItem(app.mainWindow, IDC_PASSWORD), "guess");
  SetFocus(GetDlgItem(app.mainWindow, IDOK));
  ASSERT_TRUE(PressButton(GetDlgItem(app.mainWindow, IDOK)));
  ASSERT_TRUE(Eventually([] {
    std::vector<std::string> lines = MessageListLines();
    return !lines.empty() && lines.back() == "Invalid password, please re-enter";
  }));
  EXPECT_EQ("EDEEEDEE", States()) << "still Ready";
  char typed[16] = "";
  GetDlgItemTextA(app.mainWindow, IDC_PASSWORD, typed, sizeof typed);
  EXPECT_STREQ("guess", typed);
  const Focus focus = MainDialogFocus();
  EXPECT_EQ(IDC_PASSWORD, focus.id);
  EXPECT_EQ(0, focus.selectFrom);
  EXPECT_EQ(5, focus.selectTo) << "the typed text is not selected";
}

TEST_F(DialogStates, SourceDriveRefused) {
  // A program file whose path begins with the target's letter lies on the
  // target drive: started from there, it refuses to write to it. A
  // conversion to an image file and a check write no drive: neither is
  // refused, and neither asks the drive question for B:.
  std::string exe = dir / "a-source.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 7)), exe));
  const std::string image = dir / "image.img";
  struct Row {
    std::string arguments;
    int chosen;  // index in the drive list: A: 0, B: 1
    bool refused;
  } rows[] = {{"", 0, true}, {"/D=" + image, 0, false}, {"/I", 0, false}, {"/D=" + image, 1, false}, {"/I", 1, false}};
  char* saved = getcwd(nullptr, 0);
  ASSERT_EQ(0, chdir(dir.path().c_str()));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments + (row.chosen ? " with B: chosen" : ""));
    TearDown();
    SetUp();
    const std::vector<uint8_t> blank(1474560, 0xE5);
    ASSERT_TRUE(WriteWholeFile(dir / "a.img", blank));
    ASSERT_TRUE(WriteWholeFile(dir / "b.img", blank));
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(("a:=floppy:" + dir / "a.img;b:=floppy:" + dir / "b.img").c_str(), &error)) << error;
    SetStandInVirtualClock(true);
    Start("a-source.exe", row.arguments);
    ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
    if (row.chosen != 0) {
      ASSERT_TRUE(ChooseComboItem(GetDlgItem(app.mainWindow, IDC_DRIVE_LIST), row.chosen));
    }
    const uint64_t dialogsBefore = DialogsShownCount();
    SetFocus(GetDlgItem(app.mainWindow, IDOK));
    PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Eventually([] { return !IsWindowEnabled(GetDlgItem(app.mainWindow, IDOK)); }));
    if (row.refused) {
      EXPECT_EQ("EDDHDDEE", States()) << "Source drive refused";
      EXPECT_EQ(0, app.operationRunning.load()) << "no run started";
      EXPECT_EQ(IDC_QUIT, MainDialogFocus().id) << "the focus is on the disabled Ok";
    } else {
      ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
      EXPECT_EQ(dialogsBefore, DialogsShownCount()) << "a question was asked";
      EXPECT_TRUE(Listed("The operation completed with no error."));
      EXPECT_EQ(0, Quit());
    }
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(ReadWholeFile(dir / "a.img", &a));
    ASSERT_TRUE(ReadWholeFile(dir / "b.img", &b));
    EXPECT_TRUE(a == blank) << "A: was written";
    EXPECT_TRUE(b == blank) << "B: was written";
  }
  ASSERT_EQ(0, chdir(saved));
  free(saved);
}

// Escape stops a run that is going, after asking, and nothing else: in
// Ready and after the run it changes nothing (no question, no stop for the
// next run, no exit code 1).
TEST_F(DialogStates, EscapeOutsideARunChangesNothing) {
  std::string exe = dir / "sample.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 8)), exe));
  SetStandInVirtualClock(true);
  Start(exe, "/I");
  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  const uint64_t dialogsBefore = DialogsShownCount();
  ASSERT_TRUE(PressKey(app.mainWindow, kKeyEscape));
  ASSERT_TRUE(Eventually([] { return DialogThreadsIdle(); }));
  EXPECT_EQ(dialogsBefore, DialogsShownCount()) << "a question was asked in Ready";
  EXPECT_EQ(0, app.userStopped.load());
  EXPECT_EQ("EDEHEDEE", States()) << "still Ready";

  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
  std::vector<std::string> lines = MessageListLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("The operation completed with no error.", lines.back());

  ASSERT_TRUE(PressKey(app.mainWindow, kKeyEscape));
  ASSERT_TRUE(Eventually([] { return DialogThreadsIdle(); }));
  EXPECT_EQ(dialogsBefore, DialogsShownCount()) << "a question was asked after the run";
  EXPECT_EQ(0, app.userStopped.load());
  EXPECT_EQ(0, Quit()) << "the successful run's exit code";
}

// The stop question is up while the run ends: its "Yes" comes too late and
// changes nothing.
TEST_F(DialogStates, StopAnsweredAfterTheRunEnded) {
  std::string exe = dir / "sample.exe";
  ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 10)), exe));
  // The image file is a pipe nobody reads yet: the run waits in its first
  // writes until the question is up.
  std::string fifo = dir / "pipe.img";
  int pipeEnd = UnreadPipe(fifo);
  ASSERT_GE(pipeEnd, 0);
  Start(exe, "/D=" + fifo);
  ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
  ASSERT_TRUE(PressKey(app.mainWindow, kKeyEnter));
  ASSERT_TRUE(Eventually([] { return IsWindowEnabled(GetDlgItem(app.mainWindow, IDC_CANCEL_RUN)); }));
  ASSERT_TRUE(PressKey(app.mainWindow, kKeyEscape));
  ASSERT_TRUE(Eventually([] { return Question() != nullptr; })) << "Escape during the run asks";
  EXPECT_EQ(IDC_NO, [] {
    HWND question = Question();
    UserHold hold(UserLock());
    HWND focus = question != nullptr ? question->dialogRecord->queue->focus : nullptr;
    return WindowIsLive(focus) ? focus->id : -1;
  }()) << "the question's focus is not on No, which Enter must press";

  std::atomic<bool> drained{false};
  std::thread drain([pipeEnd, &drained] {
    fcntl(pipeEnd, F_SETFL, O_NONBLOCK);
    char buffer[65536];
    while (!drained) {
      if (read(pipeEnd, buffer, sizeof buffer) <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  ASSERT_TRUE(Eventually([] { return app.operationRunning == 0; })) << "the run never ended under the question";
  ASSERT_NE(nullptr, Question());
  ASSERT_TRUE(PressButton(GetDlgItem(Question(), IDOK)));
  ASSERT_TRUE(Eventually([] { return Question() == nullptr && DialogThreadsIdle(); }));
  EXPECT_EQ(0, app.userStopped.load());
  EXPECT_FALSE(Listed("The operation was interrupted"));
  EXPECT_TRUE(Listed("The operation completed with no error."));
  EXPECT_EQ(0, Quit()) << "the late Yes changed the exit code";
  drained = true;
  drain.join();
  close(pipeEnd);
}
