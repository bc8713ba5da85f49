// Diskette runs driven as a user would, in this process: a stop while a
// group of cylinders is being formatted or while tracks are written, and a
// target drive that is no longer a removable one when the run opens it.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "app/app_state.h"
#include "devices/device_trace.h"
#include "gdi32/gdi_record.h"
#include "helpers/container_fixture.h"
#include "helpers/fault_matrix.h"
#include "helpers/program_in_process.h"
#include "helpers/run_program.h"
#include "kernel32/standin.h"
#include "resource.h"
#include "ui/progress.h"
#include "user32/dialog_input.h"

namespace {

std::atomic<bool> barSeen{false};
std::atomic<char> holdAtStyle{0};

// Called for every drawing: at the worker's first bar of the style asked
// for, the worker waits until the user's stop has been taken.
void HoldAtFirstBar(const GdiOperation&) {
  if (GetCurrentThreadId() == app.dialogThreadId || !app.runStarted) return;
  if (app.lastBarStyle != holdAtStyle || barSeen.exchange(true)) return;
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

TEST_P(DisketteDialog, StopDuringTheRun) {
  struct Case {
    const char* fault;
    char style;  // the bar at which "&Cancel" is pressed
    const char* arguments;
    int formatRequestsNt, formatRequests9x;
  } cases[] = {
      // After the first track of the group: the rest of the group is left out.
      {"stop while a group is formatted (/F)", kBarFormatting, "a: /F", 1, 1},
      // The medium carries no boot sector, which Windows 9x takes for a
      // diskette to be formatted: the first group is, before the first write.
      {"stop after the first track is written", kBarWriting, "a:", 0, 20},
  };
  const bool nt = std::string(GetParam()) == "nt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    TearDown();
    SetUp();
    const std::string medium = dir / "a.img", trace = dir / "trace.txt";
    ASSERT_TRUE(WriteWholeFile(medium, std::vector<uint8_t>(1474560, 0xE5)));
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(("a:=floppy:" + medium).c_str(), &error)) << error;
    SetDeviceTraceFile(trace);
    barSeen = false;
    holdAtStyle = c.style;
    SetGdiObserver(HoldAtFirstBar);
    Start(exe, c.arguments);
    ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
    PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Eventually([] { return barSeen.load(); }));
    // "&Cancel", and "Yes" to the question.
    PostMessageA(app.mainWindow, WM_COMMAND, IDC_CANCEL_RUN, 0);
    ASSERT_TRUE(Eventually([] { return TopDialog() != nullptr && TopDialog() != app.mainWindow; }));
    ASSERT_TRUE(PressButton(GetDlgItem(TopDialog(), IDOK)));
    ASSERT_TRUE(Eventually([] { return app.operationRunning == 0 && app.runStarted != 0; }));
    const std::vector<std::string> lines = MessageListLines();
    const int code = Quit();
    EXPECT_EQ(1, code & 1) << "stopped by the user";
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("The operation was interrupted", lines.back());
    const std::vector<std::string> requests = TraceLines(trace);
    EXPECT_EQ(nt ? c.formatRequestsNt : c.formatRequests9x, Count(requests, nt ? "IOCTL_DISK_FORMAT_TRACKS" : "ECX=0x842")) << "format requests";
    std::vector<uint8_t> after;
    ASSERT_TRUE(ReadWholeFile(medium, &after));
    RecordFaultCase(c.fault, nt ? "NT" : "9x", code, lines.back(),
                    after == std::vector<uint8_t>(1474560, 0xE5) ? MediumOutcome::kUnchanged : MediumOutcome::kPartly);
  }
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
    ASSERT_TRUE(Eventually([] { return CanPress(IDOK); }));
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
