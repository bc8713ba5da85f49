// The stand-in's printing: the printer choice of PrintDlgA answered in line
// mode by a thread of the program's own, the printer DCs' sizes, a
// two-page document's PDF, a job through a real CUPS server with the PDF
// printer (tests/print/cups-server; skipped where that cannot start), and
// a thread waiting in a modal dialog counting as idle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "front_ends/front_end.h"
#include "front_ends/line_mode.h"
#include "gdi32/gdi_record.h"
#include "helpers/cups_server.h"
#include "helpers/scoped_environment.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/win32.h"
#include "printing/printing.h"
#include "resource.h"

namespace {

char instanceByte;
const HINSTANCE kInstance = (HINSTANCE)&instanceByte;

// --- A small program whose "Print &label" starts a print thread -------------

struct PrintRequest {
  DWORD flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  bool fileName = false;  // the thread asks for the file to print to instead
  bool keep = false;      // one record for every press, kept with its printer selection
} request;
PRINTDLGA kept;

void AddLine(HWND dialog, const std::string& text) {
  SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), LPARAM(text.c_str()));
}

// The file-name dialog as the program uses it: 255 characters at most.
INT_PTR CALLBACK FileName(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  static HWND owner;
  if (message == WM_INITDIALOG) {
    owner = HWND(lParam);
    SendDlgItemMessageA(dialog, IDC_PRINT_FILE_NAME, EM_LIMITTEXT, 255, 0);
  } else if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    char name[400];
    int length = int(GetDlgItemTextA(dialog, IDC_PRINT_FILE_NAME, name, sizeof name));
    AddLine(owner, "a name of " + std::to_string(length) + " characters");
    EndDialog(dialog, LOWORD(wParam) == IDOK);
  }
  return FALSE;
}

// The print thread: the print dialog owned by the main dialog, and a line
// saying what it answered: "DEVICE on PORT xN (printer xM) WxH pixels,
// WxH mm, D dpi", or "cancelled, error E".
void PrintJob(HWND owner) {
  PRINTDLGA fresh = {};
  PRINTDLGA& print = request.keep ? kept : fresh;
  print.lStructSize = sizeof print;
  print.Flags = request.flags;
  print.hwndOwner = owner;
  print.nCopies = 1;
  if (!PrintDlgA(&print)) {
    AddLine(owner, "cancelled, error " + std::to_string(CommDlgExtendedError()));
    return;
  }
  const char* names = static_cast<const char*>(GlobalLock(print.hDevNames));
  const DEVNAMES* header = reinterpret_cast<const DEVNAMES*>(names);
  const DEVMODEA* mode = static_cast<const DEVMODEA*>(GlobalLock(print.hDevMode));
  char line[256];
  snprintf(line, sizeof line, "%s on %s x%d (printer x%d) %dx%d pixels, %dx%d mm, %d dpi", names + header->wDeviceOffset,
           strcmp(names + header->wOutputOffset, "FILE:") == 0 ? "FILE:" : "a printer port", print.nCopies,
           mode->dmCopies, GetDeviceCaps(print.hDC, HORZRES), GetDeviceCaps(print.hDC, VERTRES),
           GetDeviceCaps(print.hDC, HORZSIZE), GetDeviceCaps(print.hDC, VERTSIZE), GetDeviceCaps(print.hDC, LOGPIXELSY));
  GlobalUnlock(print.hDevMode);
  GlobalUnlock(print.hDevNames);
  DeleteDC(print.hDC);
  if (!request.keep) {
    GlobalFree(print.hDevMode);
    GlobalFree(print.hDevNames);
  }
  AddLine(owner, line);
}

// One job at a time, as the program runs them: a press while a job runs
// waits for it.
DWORD WINAPI PrintThread(LPVOID parameter) {
  static HANDLE oneAtATime = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  HWND owner = HWND(parameter);
  WaitForSingleObject(oneAtATime, INFINITE);
  if (request.fileName)
    DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_PRINT_FILE_DIALOG), owner, FileName, LPARAM(owner));
  else
    PrintJob(owner);
  ReleaseSemaphore(oneAtATime, 1, nullptr);
  return 0;
}

INT_PTR CALLBACK SmallProgram(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_PRINT_LABEL: {
      HANDLE thread = CreateThread(nullptr, 24576, PrintThread, dialog, 0, nullptr);
      if (thread != nullptr) CloseHandle(thread);
      break;
    }
    case IDC_CANCEL_RUN:
      AddLine(dialog, "the main dialog's Cancel");
      break;
    case IDC_QUIT:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

struct Outcome {
  std::string out, err;
};

// Runs the small program in line mode with `script` on its input; the
// line mode sees the stand-in's own view of the created threads.
Outcome RunScript(const std::string& script) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], script.data(), script.size()), ssize_t(script.size()));
  close(fds[1]);
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* out = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);
  SetFrontEnd(LineModeFrontEnd(LineModeSettings{fds[0], out, err, StandInCreatedThreadsIdle}));
  DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, SmallProgram, 0);
  JoinLineModeReader();
  SetFrontEnd(nullptr);
  fclose(out);
  fclose(err);
  close(fds[0]);
  Outcome outcome{std::string(outText, outSize), std::string(errText, errSize)};
  free(outText);
  free(errText);
  return outcome;
}

struct ChoiceRow {
  const char* name;
  const char* answer;  // the lines after "print label"
  const char* listed;  // what the print thread lists
  const char* said;    // a line standard error must hold, or null
};

void CheckChoices(const std::vector<ChoiceRow>& rows) {
  for (const ChoiceRow& row : rows) {
    Outcome outcome = RunScript(std::string("print label\n") + row.answer);
    EXPECT_EQ(outcome.out, std::string(row.listed) + "\n") << row.name << "\nstandard error:\n" << outcome.err;
    if (row.said != nullptr) {
      EXPECT_NE(outcome.err.find(row.said), std::string::npos) << row.name << ": " << row.said << " in:\n" << outcome.err;
    }
  }
}

const char kFilePortLine[] = "FILE: on FILE: x1 (printer x1) 2480x3507 pixels, 210x297 mm, 300 dpi";

}  // namespace

// Without a server only the file port is offered, and whatever else is
// typed is not a printer.
TEST(StandInPrint, WithoutServerOnlyTheFilePort) {
  ScopedEnvironment server("CUPS_SERVER", "/nonexistent/zolt-print-test/cups.sock");
  CheckChoices({
      {"empty: the default, the file port", "\n", kFilePortLine, "Print: Printers: FILE:\n"},
      {"the file port by name, copies", "FILE: x3\n", "FILE: on FILE: x3 (printer x1) 2480x3507 pixels, 210x297 mm, 300 dpi", nullptr},
      {"a printer the server would have", "zolt-pdf\ncancel\n", "cancelled, error 0",
       "Print: There is no printer \"zolt-pdf\". The printers: FILE:."},
      {"copies out of range", "x0\nx10000\ncancel\n", "cancelled, error 0", "between 1 and 9999"},
  });
}

// With the server's PDF printer: its name, the file port, the default,
// copies made by the program or by the printer, a cancel that is not the
// main dialog's, and the end of input with the dialog still open.
TEST(StandInPrint, ChoiceInLineMode) {
  CupsServer cups;
  if (cups.socket.empty()) GTEST_SKIP() << cups.whyNot;
  ScopedEnvironment server("CUPS_SERVER", cups.socket);
  const char* printer = "zolt-pdf on a printer port x1 (printer x1) 2479x3508 pixels, 210x297 mm, 300 dpi";
  CheckChoices({
      {"empty: the server's default", "\n", printer, "Print: Printers: zolt-pdf (default), FILE:\n"},
      {"by name", "zolt-pdf\n", printer, "Print: Printer: zolt-pdf\n"},
      {"the file port", "FILE:\n", kFilePortLine, nullptr},
      {"copies", "ZOLT-PDF x3\n", "zolt-pdf on a printer port x3 (printer x1) 2479x3508 pixels, 210x297 mm, 300 dpi",
       nullptr},
      {"copies alone", "x2\n", "zolt-pdf on a printer port x2 (printer x1) 2479x3508 pixels, 210x297 mm, 300 dpi",
       nullptr},
      {"cancel goes to the print dialog", "cancel\n", "cancelled, error 0", nullptr},
      {"end of input: Esc to the open dialog", "", "cancelled, error 0", "zolt: end of input: Esc to \"Print\"\n"},
  });
  request.flags |= PD_USEDEVMODECOPIESANDCOLLATE;
  CheckChoices({{"the printer makes the copies", "x2\n",
                 "zolt-pdf on a printer port x1 (printer x2) 2479x3508 pixels, 210x297 mm, 300 dpi", nullptr}});
  request = PrintRequest();
  // The record of an earlier choice: the dialog offers its printer first,
  // after a cancel too.
  request.keep = true;
  std::string listed =
      "FILE: on FILE: x2 (printer x1) 2480x3507 pixels, 210x297 mm, 300 dpi\ncancelled, error 0\n" + std::string(kFilePortLine);
  CheckChoices({{"an earlier choice", "FILE: x2\nprint label\ncancel\nprint label\n\n", listed.c_str(),
                 "Print: Printer: FILE:\n"}});
  GlobalFree(kept.hDevMode);
  GlobalFree(kept.hDevNames);
  request = PrintRequest();
}

// The file to print to, in line mode: the next line, cut to the field's
// 255 characters, and said so.
TEST(StandInPrint, FileNameIsOneLineOfAtMost255Characters) {
  request.fileName = true;
  CheckChoices({{"a long name", (std::string(300, 'n') + "\n").c_str(), "a name of 255 characters",
                 "zolt: answer cut to 255 characters\n"},
                {"the question", "name.txt\n", "a name of 8 characters", "Enter file name to print to:\n"}});
  request = PrintRequest();
}

// A document of two pages on the file port's DC, written to a file of its
// own (DOCINFOA's lpszOutput): the text is drawn where the record says and
// each page holds its own lines.
TEST(StandInPrint, TwoPageDocumentToPdf) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
  TempDir folder;
  std::string path = folder / "two pages.pdf";
  TakeGdiRecord();
  TakePrintJobRecord();
  std::vector<PrintDestination> destinations;
  {
    ScopedEnvironment server("CUPS_SERVER", "/nonexistent/zolt-print-test/cups.sock");
    destinations = ListPrintDestinations();
  }
  ASSERT_EQ(destinations.size(), 1u);
  HDC dc = NewPrinterDC(destinations[0], 1);
  LOGFONTA look = {};
  look.lfHeight = 37;  // 3.2 mm at 300 dpi
  look.lfWidth = 18;   // 1.6 mm
  look.lfWeight = FW_BOLD;
  look.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  HFONT font = CreateFontIndirectA(&look);
  DOCINFOA document = {sizeof document, "Two pages", path.c_str(), nullptr, 0};

  SetLastError(0xdeadbeef);
  EXPECT_EQ(TextOutA(dc, 0, 0, "outside", 7), FALSE) << "no page to draw on";
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_GT(StartDocA(dc, &document), 0);
  EXPECT_GT(StartPage(dc), 0);
  HGDIOBJ old = SelectObject(dc, font);
  EXPECT_TRUE(TextOutA(dc, 0, 0, "FIRST PAGE", 10));
  EXPECT_TRUE(TextOutA(dc, 0, 37, "Caf\xE9 line two", 13));
  EXPECT_GT(EndPage(dc), 0);
  EXPECT_GT(StartPage(dc), 0);
  SelectObject(dc, font);
  EXPECT_TRUE(TextOutA(dc, 0, 0, "SECOND PAGE", 11));
  EXPECT_GT(EndPage(dc), 0);
  EXPECT_GT(EndDoc(dc), 0);
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_TRUE(DeleteDC(dc));

  std::vector<std::string> drawn;
  for (const GdiOperation& operation : TakeGdiRecord()) drawn.push_back(DescribeGdiOperation(operation));
  EXPECT_EQ(drawn, (std::vector<std::string>{
                       "TextOut printer (0,0) \"FIRST PAGE\" font=37x18 weight=700 pitch=0x31",
                       "TextOut printer (0,37) \"Caf\xE9 line two\" font=37x18 weight=700 pitch=0x31",
                       "TextOut printer (0,0) \"SECOND PAGE\" font=37x18 weight=700 pitch=0x31",
                   }));
  std::vector<PrintJobRecord> jobs = TakePrintJobRecord();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].pages, 2);
  EXPECT_EQ(jobs[0].jobId, 0) << "written to the file, not printed";
  EXPECT_EQ(jobs[0].error, "");

  std::string text = PdfText(path);
  size_t pageBreak = text.find('\f');
  ASSERT_NE(pageBreak, std::string::npos) << text;
  std::string first = text.substr(0, pageBreak), second = text.substr(pageBreak + 1);
  EXPECT_NE(first.find("FIRST PAGE\n"), std::string::npos) << text;
  EXPECT_NE(first.find("Caf\xC3\xA9 line two"), std::string::npos) << text;
  EXPECT_LT(first.find("FIRST PAGE"), first.find("line two")) << text;
  EXPECT_EQ(second.find("FIRST"), std::string::npos) << text;
  EXPECT_NE(second.find("SECOND PAGE"), std::string::npos) << text;
}

// A document on the PDF printer's DC reaches it as a CUPS job, page by
// page, with the copies the printer was asked to make.
TEST(StandInPrint, DocumentReachesCupsPrinter) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
  CupsServer cups;
  if (cups.socket.empty()) GTEST_SKIP() << cups.whyNot;
  ScopedEnvironment server("CUPS_SERVER", cups.socket);
  TakePrintJobRecord();
  PrintDestination printer = ListPrintDestinations().at(0);
  ASSERT_EQ(printer.name, "zolt-pdf");
  HDC dc = NewPrinterDC(printer, 2);
  DOCINFOA document = {sizeof document, "ZOLT", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(dc, &document), 0);
  for (const char* line : {"LABEL OF THE DISKETTE", "PAGE TWO"}) {
    StartPage(dc);
    EXPECT_TRUE(TextOutA(dc, 0, 0, line, int(strlen(line))));
    EndPage(dc);
  }
  EXPECT_GT(EndDoc(dc), 0);
  EXPECT_TRUE(DeleteDC(dc));
  std::vector<PrintJobRecord> jobs = TakePrintJobRecord();
  ASSERT_EQ(jobs.size(), 1u);
  ASSERT_GT(jobs[0].jobId, 0) << jobs[0].error;
  EXPECT_EQ(jobs[0].copies, 2);

  std::string pdf = cups.PdfOfJob(jobs[0].jobId);
  ASSERT_NE(pdf, "") << "cups-pdf wrote no PDF for job " << jobs[0].jobId;
  std::string text = PdfText(pdf);
  size_t pageBreak = text.find('\f');
  ASSERT_NE(pageBreak, std::string::npos) << text;
  EXPECT_NE(text.substr(0, pageBreak).find("LABEL OF THE DISKETTE"), std::string::npos) << text;
  EXPECT_NE(text.substr(pageBreak).find("PAGE TWO"), std::string::npos) << text;
  EXPECT_NE(cups.PageLogOfJob(jobs[0].jobId).find(" total 4 "), std::string::npos)
      << "two copies of two pages: " << cups.PageLogOfJob(jobs[0].jobId);
}

// A thread started with CreateThread that waits in a modal dialog's loop
// for input counts as idle, and as running again once it has something to
// handle; when it ends, nothing of it is left.
TEST(StandInPrint, ThreadInModalDialogIsIdle) {
  static const FrontEnd kSilent = {"silent", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  SetFrontEnd(&kSilent);
  static std::atomic<HWND> shown{nullptr};
  static std::atomic<bool> handling{false};
  static std::atomic<bool> release{false};
  DLGPROC procedure = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) shown = dialog;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_PRINT_FILE_NAME) {
      handling = true;  // busy on a message: running
      while (!release) std::this_thread::yield();
      EndDialog(dialog, 1);
    }
    return FALSE;
  };
  uint64_t first = StandInNextCreatedThread();
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        return DWORD(DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_PRINT_FILE_DIALOG), nullptr, DLGPROC(p), 0));
      },
      reinterpret_cast<LPVOID>(procedure), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  bool idle = false;
  for (int i = 0; i < 10000 && !idle; ++i) {
    idle = shown != nullptr && StandInCreatedThreadsIdleSince(first);
    if (!idle) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(idle) << "waiting in the dialog for input";
  EXPECT_TRUE(StandInCreatedThreadsIdle());

  PostMessageA(shown, WM_COMMAND, IDC_PRINT_FILE_NAME, 0);
  while (!handling) std::this_thread::yield();
  EXPECT_FALSE(StandInCreatedThreadsIdleSince(first)) << "handling a message";
  release = true;
  EXPECT_EQ(WaitForSingleObject(thread, 60000), DWORD(WAIT_OBJECT_0));
  EXPECT_TRUE(StandInCreatedThreadsIdleSince(first)) << "ended";
  CloseHandle(thread);
  SetFrontEnd(nullptr);
}
