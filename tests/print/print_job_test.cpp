// Print jobs through the whole program in this process: the print buttons,
// the printer choice, the file port, jobs one at a time, and the print
// document that texts share until "&Ok", "&Cancel" or "&Quit" ends it. The
// printer path needs a printer: a CUPS server of the suite's own with its
// PDF printer (tests/cups_server.h), skipped where none can start.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "gdi32/gdi_record.h"
#include "helpers/container_fixture.h"
#include "helpers/cups_server.h"
#include "helpers/program_in_process.h"
#include "helpers/run_program.h"
#include "helpers/scoped_environment.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "printing/printing.h"
#include "resource.h"
#include "user32/dialog_input.h"

namespace {

// The stand-in's print dialog: its copies field also takes a whole choice
// ("PRINTER xN", "FILE:"), answered with Enter.
const int kPrintDialogChoice = 1154;

// The dialog threads have handled what they were given and every thread
// of the program waits: a print job has ended or waits for the user.
bool Settled() { return DialogAndCreatedThreadsIdle(); }

// The main dialog's button `id` can be pressed: the dialog is shown (its
// initialisation is over; before, its buttons have the template's states)
// and the button is enabled.
bool Pressable(int id) {
  return app.mainWindow != nullptr && IsWindowVisible(app.mainWindow) &&
         IsWindowEnabled(GetDlgItem(app.mainWindow, id));
}

// Presses a print button (or another) as a person would, once it can be.
void Press(int id) {
  ASSERT_TRUE(Eventually([id] { return Pressable(id); })) << id;
  ASSERT_TRUE(PressButton(GetDlgItem(app.mainWindow, id))) << id;
}

// The dialog a print job shows on top of the main dialog.
HWND JobDialog() {
  HWND top = nullptr;
  // Settled first, then the top dialog: once settled, nothing changes until
  // the test gives the program something. Read the other way round, the
  // dialog a job was ending could be taken, and the job's next dialog then
  // be settled in by the time the test looked at the threads.
  EXPECT_TRUE(Eventually([&top] {
    if (!Settled()) return false;
    top = TopDialog();
    return top != nullptr && top != app.mainWindow;
  }));
  return top;
}

void AnswerPrintDialog(const char* choice) {
  HWND dialog = JobDialog();
  ASSERT_NE(nullptr, dialog);
  TypeText(GetDlgItem(dialog, kPrintDialogChoice), choice);
  ASSERT_TRUE(PressKey(dialog, kKeyEnter));
}

std::vector<std::string> TextDrawn() {
  std::vector<std::string> lines;
  for (const GdiOperation& operation : TakeGdiRecord())
    if (operation.kind == kGdiTextOut) lines.push_back(DescribeGdiOperation(operation));
  return lines;
}

class PrintJobs : public ProgramInProcess {
 protected:
  // The jobs here print to the file port or to nothing: the machine's own
  // CUPS server, its printers and how fast it answers stay out of them.
  void SetUp() override {
    ProgramInProcess::SetUp();
    noServer = std::make_unique<ScopedEnvironment>("CUPS_SERVER", "/nonexistent/zolt-print-test/cups.sock");
  }
  std::unique_ptr<ScopedEnvironment> noServer;

  // Starts the program over a container with these free texts (code page
  // 437) as a check (/I), so that "&Ok" writes nothing, and waits for Ready;
  // or, `afterTheRun`, starts the check at once (/Q) and waits for its end,
  // so that "&Quit" leaves no run behind.
  void StartWithTexts(const std::string& label, const std::string& message, const std::string& data,
                      bool afterTheRun = false) {
    ComposedContainer c = DefaultComposition(PatternImage(1474560, 11));
    c.freeTexts[0] = label;
    c.freeTexts[1] = message;
    c.freeTexts[2] = data;
    const std::string exe = dir / "texts.exe";
    ASSERT_TRUE(WriteComposedContainer(BuiltProgram("zolt"), c, exe));
    SetStandInVirtualClock(true);
    TakeGdiRecord();
    TakePrintJobRecord();
    Start(exe, afterTheRun ? "/I /Q" : "/I");
    if (afterTheRun)
      ASSERT_TRUE(Eventually([] {
        return app.runStarted != 0 && app.operationRunning == 0 && StandInCreatedThreadsIdle() &&
               Pressable(IDC_QUIT);
      }));
    else
      ASSERT_TRUE(Eventually([] { return Pressable(IDOK); }));
  }
};

}  // namespace

TEST_F(PrintJobs, CancelledPrinterChoicePrintsNothing) {
  StartWithTexts("LABEL\r\n", "", "", true);
  const uint64_t shown = DialogsShownCount();
  Press(IDC_PRINT_LABEL);
  HWND dialog = JobDialog();
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(PressKey(dialog, kKeyEscape));
  ASSERT_TRUE(Eventually(Settled));
  EXPECT_EQ(shown + 1, DialogsShownCount());
  EXPECT_EQ(TopDialog(), app.mainWindow);
  EXPECT_EQ(0, Quit());
  EXPECT_EQ(std::vector<std::string>{}, TextDrawn());
  EXPECT_EQ(0u, TakePrintJobRecord().size()) << "no document";
}

// The worker posts "&Quit" at the end of an unattended run, also while a
// job's print dialog is open. The dialog thread waits for the job and
// meanwhile answers what the job's dialog sends to its owner, the main
// dialog (disabled while it runs, enabled again at its end), so that the
// print dialog can end and the program quit.
TEST_F(PrintJobs, QuitWaitsForAnOpenPrintDialog) {
  StartWithTexts("LABEL\r\n", "", "", true);
  Press(IDC_PRINT_LABEL);
  HWND dialog = JobDialog();
  ASSERT_NE(nullptr, dialog);
  EXPECT_FALSE(IsWindowEnabled(app.mainWindow)) << "the print dialog disables its owner";
  PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
  ASSERT_TRUE(Eventually(Settled)) << "the dialog thread waits for the job";
  EXPECT_EQ(dialog, TopDialog());
  ASSERT_TRUE(PressKey(dialog, kKeyEscape));
  ASSERT_TRUE(Eventually([] { return TopDialog() == nullptr; })) << "the program has not quit";
  program.join();
  EXPECT_EQ(0, exitCode);
  EXPECT_EQ(std::vector<std::string>{}, TextDrawn());
}

TEST_F(PrintJobs, FilePortAppendsTheTextToTheNamedFile) {
  // "Caf\x82": code page 437's e acute; printing sees the text as listed, in
  // the ANSI code page.
  StartWithTexts("LABEL\r\n", "Caf\x82 message\r\nsecond line\r\n", "", true);
  const std::string file = dir / "printed.txt";
  ASSERT_TRUE(WriteWholeFile(file, {'o', 'l', 'd', '\r', '\n'}));
  Press(IDC_PRINT_MESSAGE);
  AnswerPrintDialog("FILE: x2");
  HWND nameDialog = JobDialog();
  ASSERT_NE(nullptr, nameDialog);
  ASSERT_NE(nullptr, GetDlgItem(nameDialog, IDC_PRINT_FILE_NAME)) << "the print-to-file dialog";
  TypeText(GetDlgItem(nameDialog, IDC_PRINT_FILE_NAME), file.c_str());
  ASSERT_TRUE(PressButton(GetDlgItem(nameDialog, IDOK)));
  ASSERT_TRUE(Eventually(Settled));
  EXPECT_EQ(0, Quit());

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(file, &bytes));
  EXPECT_EQ("old\r\nCaf\xE9 message\r\nsecond line\r\n\r\nCaf\xE9 message\r\nsecond line\r\n\r\n",
            std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(std::vector<std::string>{}, TextDrawn()) << "nothing through the printer";
  EXPECT_EQ(0u, TakePrintJobRecord().size());
}

namespace {

// Jobs on the PDF printer of a CUPS server of the suite's own.
class PrinterJobs : public PrintJobs {
 protected:
  static void SetUpTestSuite() { cups = new CupsServer; }
  static void TearDownTestSuite() {
    delete cups;
    cups = nullptr;
  }
  void SetUp() override {
    PrintJobs::SetUp();
    if (cups->socket.empty()) GTEST_SKIP() << cups->whyNot;
    server = std::make_unique<ScopedEnvironment>("CUPS_SERVER", cups->socket);
  }
  // The documents that have ended, once there is one.
  static std::vector<PrintJobRecord> EndedDocuments() {
    std::vector<PrintJobRecord> jobs;
    EXPECT_TRUE(Eventually([&jobs] {
      std::vector<PrintJobRecord> ended = TakePrintJobRecord();
      jobs.insert(jobs.end(), ended.begin(), ended.end());
      return !jobs.empty();
    }));
    return jobs;
  }
  static CupsServer* cups;
  std::unique_ptr<ScopedEnvironment> server;
};

CupsServer* PrinterJobs::cups = nullptr;

// The PDF printer's A4 page at 300 dpi is 2479 x 3508 pixels, 210 x 297 mm:
// lines 3508 x 3.2 / 297 = 37.8 pixels high, characters 2479 x 1.6 / 210 =
// 18.9 wide.
std::string TextAt(int y, const char* text) {
  return "TextOut printer (0," + std::to_string(y) + ") \"" + text + "\" font=37x18 weight=700 pitch=0x31";
}

}  // namespace

// A second press while a job waits for the printer choice waits for that
// job, and so does the end of the document ("&Cancel", here by Esc): the
// ended document holds both texts.
TEST_F(PrinterJobs, JobsRunOneAtATimeAndTheEndWaitsForThem) {
  StartWithTexts("LABEL\r\n", "", "DATA\r\n");
  const uint64_t shown = DialogsShownCount();
  Press(IDC_PRINT_LABEL);
  HWND printDialog = JobDialog();
  ASSERT_NE(nullptr, printDialog);
  Press(IDC_PRINT_DATA);
  ASSERT_TRUE(PressKey(app.mainWindow, kKeyEscape));
  TypeText(GetDlgItem(printDialog, kPrintDialogChoice), "zolt-pdf");
  ASSERT_TRUE(PressKey(printDialog, kKeyEnter));

  std::vector<PrintJobRecord> jobs = EndedDocuments();
  EXPECT_EQ(shown + 1, DialogsShownCount()) << "one print dialog";
  EXPECT_EQ((std::vector<std::string>{TextAt(0, "LABEL"), TextAt(74, "DATA")}), TextDrawn());
  ASSERT_EQ(1u, jobs.size());
  EXPECT_EQ(1, jobs[0].pages);
  // Escape outside a run ends the print document and stops nothing.
  EXPECT_TRUE(Eventually([] { return DialogThreadsIdle(); }));
  EXPECT_EQ(0, app.userStopped.load()) << "Escape in Ready marked the next run as stopped";
}

namespace {

// How the dialog ends the print document.
struct Ending {
  const char* what;
  int command;
  bool afterTheRun;  // printed once the run has ended (how an unattended run ends)
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.what; }

class PrintDocumentEnds : public PrinterJobs, public testing::WithParamInterface<Ending> {};

}  // namespace

// The label (two copies) and then the technical data go onto one page, an
// empty line after each copy, and the page comes out only when the dialog
// ends the document.
TEST_P(PrintDocumentEnds, TextsShareOnePageUntilTheDocumentEnds) {
  StartWithTexts("LABEL ONE\r\nLABEL TWO\r\n", "", "DATA\r\n", GetParam().afterTheRun);
  Press(IDC_PRINT_LABEL);
  AnswerPrintDialog("zolt-pdf x2");
  ASSERT_TRUE(Eventually(Settled));
  const uint64_t shown = DialogsShownCount();
  Press(IDC_PRINT_DATA);
  ASSERT_TRUE(Eventually(Settled));
  EXPECT_EQ(shown, DialogsShownCount()) << "the open document keeps its printer";
  EXPECT_EQ((std::vector<std::string>{TextAt(0, "LABEL ONE"), TextAt(37, "LABEL TWO"), TextAt(111, "LABEL ONE"),
                                      TextAt(148, "LABEL TWO"), TextAt(222, "DATA")}),
            TextDrawn());
  EXPECT_EQ(0u, TakePrintJobRecord().size()) << "the document is still open";

  if (GetParam().command == IDC_QUIT)
    EXPECT_EQ(0, Quit());
  else if (GetParam().command == IDCANCEL)
    ASSERT_TRUE(PressKey(app.mainWindow, kKeyEscape));  // "&Cancel" itself is enabled only in a run
  else
    Press(GetParam().command);
  std::vector<PrintJobRecord> jobs = EndedDocuments();
  ASSERT_EQ(1u, jobs.size());
  EXPECT_EQ("zolt-pdf", jobs[0].destination);
  EXPECT_EQ("ZOLT", jobs[0].title);
  EXPECT_EQ(1, jobs[0].pages);
  ASSERT_GT(jobs[0].jobId, 0) << jobs[0].error;

  // What came out of the printer: one page, the label twice, then the data.
  if (!HavePdfToText()) return;
  const std::string pdf = cups->PdfOfJob(jobs[0].jobId);
  ASSERT_NE("", pdf) << "no PDF for job " << jobs[0].jobId;
  const std::string text = PdfText(pdf);
  EXPECT_EQ(1, std::count(text.begin(), text.end(), '\f')) << text;
  const size_t second = text.find("LABEL ONE", text.find("LABEL TWO"));
  ASSERT_NE(std::string::npos, second) << text;
  EXPECT_NE(std::string::npos, text.find("DATA", text.find("LABEL TWO", second))) << text;
}

INSTANTIATE_TEST_SUITE_P(ByOkCancelOrQuit, PrintDocumentEnds,
                         testing::Values(Ending{"Ok", IDOK, false}, Ending{"Cancel", IDCANCEL, false},
                                         Ending{"Quit", IDC_QUIT, true}),
                         [](const testing::TestParamInfo<Ending>& info) { return std::string(info.param.what); });
