// Diskette runs driven as a user would, in this process: a stop while a
// group of cylinders is being formatted, and a target drive that is no
// longer a removable one when the run opens it.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "app/app_state.h"
#include "container_fixture.h"
#include "platform/posix/device_trace.h"
#include "platform/posix/dialog_input.h"
#include "platform/posix/gdi_record.h"
#include "platform/posix/standin.h"
#include "program_in_process.h"
#include "resource.h"
#include "run_program.h"
#include "ui/progress.h"

namespace {

std::atomic<bool> formattingSeen{false};

// Called on the worker's thread for every drawing: at the first
// formatting bar the worker waits until the user's stop has been taken.
void HoldAtFirstFormattingBar(const GdiOperation&) {
  if (app.lastBarStyle != kBarFormatting || formattingSeen.exchange(true)) return;
  Eventually([] { return app.userStopped != 0; });
}

std::vector<std::string> TraceLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int Count(const std::vector<std::string>& lines, const std::string& word) {
  int n = 0;
  for (const std::string& line : lines) n += line.find(word) != std::string::npos;
  return n;
}

class DisketteDialog : public ProgramInProcess, public testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    ProgramInProcess::SetUp();
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting(GetParam(), &error)) << error;
    SetStandInVirtualClock(true);
    exe = dir / "sample.exe";
    ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), DefaultComposition(PatternImage(1474560, 9)), exe));
  }
  void TearDown() override {
    SetGdiObserver(nullptr);
    SetDeviceTraceFile("");
    ProgramInProcess::TearDown();
  }
  std::string exe;
};

}  // namespace

TEST_P(DisketteDialog, StopWhileAGroupIsFormatted) {
  const std::string trace = dir / "trace.txt";
  SetDeviceTraceFile(trace);
  formattingSeen = false;
  SetGdiObserver(HoldAtFirstFormattingBar);
  Start(exe, "a: /F");
  ASSERT_TRUE(Eventually([] { return IsWindowEnabled(GetDlgItem(app.mainWindow, IDOK)); }));
  PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Eventually([] { return formattingSeen.load(); }));
  // "&Cancel" while the first track of the group has just been formatted;
  // the question is answered "Yes".
  PostMessageA(app.mainWindow, WM_COMMAND, IDC_CANCEL_RUN, 0);
  ASSERT_TRUE(Eventually([] { return TopDialog() != nullptr && TopDialog() != app.mainWindow; }));
  ASSERT_TRUE(PressButton(GetDlgItem(TopDialog(), IDOK)));
  ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
  const std::vector<std::string> lines = MessageListLines();
  EXPECT_EQ(1, Quit() & 1) << "stopped by the user";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("The operation was interrupted", lines.back());
  // The rest of the group was left out: one track was formatted.
  const std::vector<std::string> requests = TraceLines(trace);
  const bool nt = std::string(GetParam()) == "nt";
  EXPECT_EQ(1, Count(requests, nt ? "IOCTL_DISK_FORMAT_TRACKS" : "ECX=0x842")) << "format requests";
}

TEST_P(DisketteDialog, TargetNoLongerRemovableWhenOpened) {
  struct Case {
    const char* drivesAtOpening;
    int code;
  } cases[] = {{"a:=fixed", 991}, {"b:=floppy:/nonexistent/b.img", 15}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    Start(exe, "a:");
    ASSERT_TRUE(Eventually([] { return IsWindowEnabled(GetDlgItem(app.mainWindow, IDOK)); }));
    // The drive was a diskette drive when the dialog listed it.
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(c.drivesAtOpening, &error)) << error;
    PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
    const std::vector<std::string> lines = MessageListLines();
    EXPECT_EQ(c.code, Quit());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("ZOLT -   Open drive error =" + std::to_string(c.code), lines[lines.size() - 2]);
    EXPECT_EQ("Write error, be sure the diskette is not write protected", lines.back());
  }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, DisketteDialog, testing::Values("nt", "9x"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "nt" ? "NT" : "Win9x";
                         });
