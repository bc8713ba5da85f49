// The line-mode front end driving a small program over the real main
// dialog (template 5006) and question (5003): scripts fed through a pipe,
// standard output exactly the message-list lines in UTF-8, the other lines
// on standard error, commands that wait for their button, refusals once
// nothing will change, and "&Quit" at the end of input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "front_ends/front_end.h"
#include "front_ends/line_mode.h"
#include "platform/win32.h"
#include "resource.h"

namespace {

char instanceByte;
const HINSTANCE kInstance = (HINSTANCE)&instanceByte;

// How the small program's dialog starts, and what a helper thread does.
struct ProgramSetup {
  std::vector<int> disabled;
  std::vector<int> hidden;
  std::function<void(HWND)> atStart;  // on the dialog thread, at the end of WM_INITDIALOG
  std::function<void()> onHelp;       // on the dialog thread, when "&Help" is pressed
  std::function<void(HWND)> onPrint;  // on the dialog thread, when "Print &label" is pressed
} setup;

void AddLine(HWND dialog, const char* text) {
  SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), LPARAM(text));
}

INT_PTR CALLBACK Question(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, IDC_QUESTION_TOP, "Are you sure?");
    SetDlgItemTextA(dialog, IDC_QUESTION_BOTTOM, "Nothing can be undone");
  } else if (message == WM_COMMAND && wParam == MAKEWPARAM(IDOK, BN_CLICKED)) {
    EndDialog(dialog, 1);
  } else if (message == WM_COMMAND && (LOWORD(wParam) == IDC_NO || wParam == IDCANCEL)) {
    EndDialog(dialog, 0);
  }
  return FALSE;
}

// A small program: "&Ok" lists the chosen drive and the password, "&Help"
// a line in Windows-1252, "&Test only" asks the question and lists the
// answer, "&Quit" ends.
INT_PTR CALLBACK SmallProgram(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, IDOK, "&Ok");  // captions come from the program at run time
    SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, 12, 0);
    SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_ADDSTRING, 0, LPARAM("B:"));
    SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_ADDSTRING, 0, LPARAM("A:"));
    SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_SETCURSEL, 0, 0);
    for (int id : setup.disabled) EnableWindow(GetDlgItem(dialog, id), FALSE);
    for (int id : setup.hidden) ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
    if (setup.atStart) setup.atStart(dialog);
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  char line[128], drive[4] = "", password[16] = "";
  switch (LOWORD(wParam)) {
    case IDOK: {
      LRESULT index = SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
      SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_GETLBTEXT, WPARAM(index), LPARAM(drive));
      GetDlgItemTextA(dialog, IDC_PASSWORD, password, sizeof password);
      snprintf(line, sizeof line, "ok on %s with \"%s\"", drive, password);
      AddLine(dialog, line);
      break;
    }
    case IDC_HELP:
      AddLine(dialog, "Hilfe f\xFCr Sie \x80");
      if (setup.onHelp) setup.onHelp();
      break;
    case IDC_TEST_ONLY: {
      INT_PTR answer = DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_CONFIRM_DIALOG), dialog, Question, 0);
      snprintf(line, sizeof line, "answer %d", int(answer));
      AddLine(dialog, line);
      break;
    }
    case IDC_PRINT_LABEL:
      if (setup.onPrint) setup.onPrint(dialog);
      break;
    case IDCANCEL:
      AddLine(dialog, "Esc");
      break;
    case IDC_QUIT:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

std::atomic<bool> helperBusy{false};
bool NoHelperBusy() { return !helperBusy; }

struct Outcome {
  INT_PTR result;
  std::string out, err;
};

// Runs the small program with `script` on the line mode's input.
Outcome RunScript(const std::string& script) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  EXPECT_EQ(write(fds[1], script.data(), script.size()), ssize_t(script.size()));
  close(fds[1]);
  char *outText = nullptr, *errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* out = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);

  SetFrontEnd(LineModeFrontEnd(LineModeSettings{fds[0], out, err, NoHelperBusy}));
  Outcome outcome;
  outcome.result = DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, SmallProgram, 0);
  JoinLineModeReader();
  SetFrontEnd(nullptr);

  fclose(out);
  fclose(err);
  close(fds[0]);
  outcome.out.assign(outText, outSize);
  outcome.err.assign(errText, errSize);
  free(outText);
  free(errText);
  return outcome;
}

class StandInLineModeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    setup = ProgramSetup();
    helperBusy = false;
  }
};

TEST_F(StandInLineModeTest, Scripts) {
  struct Row {
    const char* name;
    const char* script;
    std::vector<int> disabled, hidden;
    const char* out;
    std::vector<const char*> err;  // lines that standard error must hold
  } rows[] = {
      {"commands press buttons by their captions",
       "drive b\npassword Secret-and-more\nOK\r\nhelp\nfrobnicate\n\ntest only\nyes\n",
       {},
       {},
       "ok on B: with \"Secret-and-m\"\nHilfe f\xC3\xBCr Sie \xE2\x82\xAC\nanswer 1\n",
       {"zolt: password cut to 12 characters\n", "zolt: unknown command \"frobnicate\"\n",
        "ZOLT by the ZOLT developers: Are you sure?\nZOLT by the ZOLT developers: Nothing can be undone\n"}},
      {"a disabled button is refused once nothing goes on",
       "ok\nhelp\n",
       {IDOK},
       {},
       "Hilfe f\xC3\xBCr Sie \xE2\x82\xAC\n",
       {"zolt: \"ok\" refused: \"&Ok\" is disabled\n"}},
      {"so are a missing field, drive and button",
       "password x\ndrive q\nyes\nno\n",
       {},
       {IDC_PASSWORD},
       "",
       {"zolt: \"password\" refused: no password field is shown\n", "zolt: drive \"q\" is not in the list\n",
        "zolt: \"yes\" refused: no such button in \"Zolt Version 4.38\"\n"}},
      {"a question left open at the end of input gets Esc, then Quit",
       "test only\n",
       {},
       {},
       "answer 0\n",
       {"zolt: end of input: Esc to \"ZOLT by the ZOLT developers\"\n"}},
  };
  for (const Row& row : rows) {
    setup = ProgramSetup{row.disabled, row.hidden, nullptr, nullptr, nullptr};
    Outcome outcome = RunScript(row.script);
    EXPECT_EQ(outcome.result, 0) << row.name;
    EXPECT_EQ(outcome.out, row.out) << row.name;
    for (const char* expected : row.err)
      EXPECT_NE(outcome.err.find(expected), std::string::npos) << row.name << ": " << expected << "in:\n" << outcome.err;
  }
}

// "ok" waits while "&Ok" is disabled and a thread is still at work, and is
// pressed once that thread enables it. The helper starts when "help" has
// been handled and pauses a moment, so that the reader is already waiting
// on "ok"; the outcome does not depend on that pause.
TEST_F(StandInLineModeTest, CommandWaitsForItsButton) {
  std::promise<void> helpPressed;
  std::thread helper;
  helperBusy = true;
  setup.disabled = {IDOK};
  setup.onHelp = [&helpPressed] { helpPressed.set_value(); };
  setup.atStart = [&](HWND dialog) {
    helper = std::thread([&helpPressed, dialog] {
      helpPressed.get_future().wait();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
      helperBusy = false;
    });
  };
  Outcome outcome = RunScript("help\nok\n");
  helper.join();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.out, "Hilfe f\xC3\xBCr Sie \xE2\x82\xAC\nok on A: with \"\"\n");
  EXPECT_EQ(outcome.err.find("refused"), std::string::npos) << outcome.err;
}

// Commands find their buttons whatever captions the program gave them: a
// catalogue may name "&Quit" otherwise, or leave it empty, and the end of
// input must still quit instead of waiting for ever.
TEST_F(StandInLineModeTest, ButtonsAreFoundWhateverTheirCaptions) {
  setup.atStart = [](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_QUIT, "");
    SetDlgItemTextA(dialog, IDOK, "&Los");
    SetDlgItemTextA(dialog, IDC_HELP, "");
  };
  std::future<Outcome> running = std::async(std::launch::async, [] { return RunScript("help\nok\n"); });
  ASSERT_EQ(running.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the end of input did not quit";
  Outcome outcome = running.get();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.out, "Hilfe f\xC3\xBCr Sie \xE2\x82\xAC\nok on A: with \"\"\n");
  EXPECT_EQ(outcome.err.find("refused"), std::string::npos) << outcome.err;
}

// The print-to-file dialog, shown by a thread of its own a moment after the
// press: the line after "print label" waits for it and is its answer.
INT_PTR CALLBACK PrintFile(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  static HWND owner;
  if (message == WM_INITDIALOG) {
    owner = HWND(lParam);
    PostMessageA(dialog, WM_APP, 0, 0);
  } else if (message == WM_APP) {
    helperBusy = false;  // shown and waiting in its loop: the dialog threads' idleness covers it now
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    char name[64], line[96];
    GetDlgItemTextA(dialog, IDC_PRINT_FILE_NAME, name, sizeof name);
    snprintf(line, sizeof line, "print to \"%s\"", name);
    AddLine(owner, line);
    EndDialog(dialog, 1);
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, 0);
  }
  return FALSE;
}

TEST_F(StandInLineModeTest, DialogAskingForATextTakesTheNextLine) {
  std::thread printer;
  setup.onPrint = [&printer](HWND dialog) {
    helperBusy = true;
    printer = std::thread([dialog] {
      DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_PRINT_FILE_DIALOG), dialog, PrintFile, LPARAM(dialog));
    });
  };
  Outcome outcome = RunScript("print label\nquit and  more \n");
  printer.join();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.out, "print to \"quit and  more \"\n");
  EXPECT_EQ(outcome.err, "Enter file name to print to:\n");  // the question: the dialog's title
}

}  // namespace
