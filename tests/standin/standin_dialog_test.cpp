// The stand-in's dialog manager over the program's own templates: modal
// dialogs with a test procedure, messages across threads, the keyboard
// rules, the built-in control messages, geometry, system menu and icons.
// Input comes through dialog_input.h, as from a front end; the front end
// installed here only records the list lines.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "front_ends/front_end.h"
#include "front_ends/terminal_keys.h"
#include "front_ends/terminal_view.h"
#include "platform/win32.h"
#include "resource.h"
#include "user32/dialog_input.h"
#include "user32/window.h"

namespace {

char instanceByte;
const HINSTANCE kInstance = (HINSTANCE)&instanceByte;

// The list lines the dialog manager reported, with the thread that added each.
std::mutex recordLock;
std::vector<std::string> recordedLines;
std::vector<std::thread::id> recordedThreads;

void RecordLine(HWND, int, const char* text) {
  std::lock_guard<std::mutex> hold(recordLock);
  recordedLines.push_back(text);
  recordedThreads.push_back(std::this_thread::get_id());
}

int AnswerOk(HWND, const char*, const char*, UINT) { return IDOK; }

const FrontEnd kRecordingFrontEnd = {"recording", nullptr, nullptr, nullptr, nullptr, RecordLine, AnswerOk};

// The test's dialog procedure, set by each test.
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;

INT_PTR CALLBACK TestProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return handler(dialog, message, wParam, lParam);
}

INT_PTR RunMainDialog(LPARAM parameter = 0) {
  return DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, TestProcedure, parameter);
}

class StandInDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFrontEnd(&kRecordingFrontEnd);
    std::lock_guard<std::mutex> hold(recordLock);
    recordedLines.clear();
    recordedThreads.clear();
  }
  void TearDown() override {
    SetFrontEnd(nullptr);
    handler = nullptr;
  }
};

TEST_F(StandInDialogTest, InitDialogGetsTheParameterAndEndDialogGivesTheResult) {
  LPARAM seen = 0;
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM lParam) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      seen = lParam;
      PostMessageA(dialog, WM_APP, 0, 0);
    }
    if (message == WM_APP) EndDialog(dialog, 4321);
    return FALSE;
  };
  EXPECT_EQ(RunMainDialog(77), 4321);
  EXPECT_EQ(seen, 77);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(DialogBoxParamA(kInstance, MAKEINTRESOURCEA(4999), nullptr, TestProcedure, 0), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(StandInDialogTest, EveryDialogStartsWithAFocus) {
  // As Windows: TRUE gives the focus to the first tab stop; FALSE keeps a
  // focus the procedure set, and without one the dialog passes the focus it
  // gets when shown on to the first tab stop all the same.
  struct Row {
    const char* name;
    INT_PTR answer;
    int focusedInInit;  // 0: none
    int expected;
  } rows[] = {
      {"FALSE, no focus set", FALSE, 0, IDC_DRIVE_LIST},
      {"FALSE, the procedure's focus", FALSE, IDC_QUIT, IDC_QUIT},
      {"TRUE, the first tab stop", TRUE, IDC_QUIT, IDC_DRIVE_LIST},
      {"FALSE, the first tab stop after the procedure's changes", FALSE, -IDC_DRIVE_LIST, IDC_PRINT_LABEL},
  };
  for (const Row& row : rows) {
    HWND focus = nullptr, expected = nullptr, firstTabStop = nullptr;
    handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
      if (message == WM_INITDIALOG) {
        firstTabStop = (HWND)wParam;
        expected = GetDlgItem(dialog, row.expected);
        if (row.focusedInInit > 0) SetFocus(GetDlgItem(dialog, row.focusedInInit));
        if (row.focusedInInit < 0) EnableWindow(GetDlgItem(dialog, -row.focusedInInit), FALSE);
        PostMessageA(dialog, WM_APP, 0, 0);
        return row.answer;
      }
      if (message == WM_APP) {
        focus = GetFocus();
        EndDialog(dialog, 0);
      }
      return FALSE;
    };
    RunMainDialog();
    EXPECT_EQ(focus, expected) << row.name;
    EXPECT_NE(firstTabStop, nullptr);
  }
}

// The print-to-file dialog opens with the focus in its edit, its text
// selected; WM_NEXTDLGCTL moves the focus and selects an edit's text;
// typed keys go to the focused edit (the selection replaced), never to a
// button; an ended dialog takes no keys and is no longer shown.
TEST_F(StandInDialogTest, FocusedEditTakesTheKeys) {
  HWND edit = nullptr, dialogWindow = nullptr;
  std::vector<WPARAM> commands;
  std::string afterTyping, afterRetyping;
  int selectedFrom = -1, selectedTo = -1, shownAfterEnd = -1;
  HWND topAfterEnd = HWND(1);
  bool keyAfterEnd = true;
  auto typeKeys = [](const char* keys) {
    for (const char* k = keys; *k != '\0'; ++k) DialogKey(KeyPress{kTermCharacter, wchar_t(*k), false}, ShownDialogViews(), nullptr);
  };
  handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        dialogWindow = dialog;
        edit = GetDlgItem(dialog, IDC_PRINT_FILE_NAME);
        SetDlgItemTextA(dialog, IDC_PRINT_FILE_NAME, "old");
        PostMessageA(dialog, WM_APP, 0, 0);
        return FALSE;
      case WM_APP: {
        UserHold hold(UserLock());
        selectedFrom = edit->selectFrom;
        selectedTo = edit->selectTo;
        hold.unlock();
        // Every letter of the dialog's mnemonics ("&Ok", "&Cancel") typed.
        typeKeys("co.txt");
        PostMessageA(dialog, WM_APP + 1, 0, 0);
        return TRUE;
      }
      case WM_APP + 1: {
        char text[64] = "";
        GetDlgItemTextA(dialog, IDC_PRINT_FILE_NAME, text, sizeof text);
        afterTyping = text;
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
        typeKeys("oc");
        PostMessageA(dialog, WM_APP + 2, 0, 0);
        return TRUE;
      }
      case WM_APP + 2: {
        char text[64] = "";
        GetDlgItemTextA(dialog, IDC_PRINT_FILE_NAME, text, sizeof text);
        afterRetyping = text;
        EndDialog(dialog, 7);
        topAfterEnd = TopDialog();
        keyAfterEnd = PressKey(dialog, 'c');
        shownAfterEnd = int(ShownDialogViews().size());
        return TRUE;
      }
      case WM_COMMAND:
        commands.push_back(wParam);
        return TRUE;
    }
    return FALSE;
  };
  EXPECT_EQ(7, DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_PRINT_FILE_DIALOG), nullptr, TestProcedure, 0));
  EXPECT_EQ(0, selectedFrom);
  EXPECT_EQ(3, selectedTo) << "the first focus selects the edit's text";
  EXPECT_EQ("co.txt", afterTyping) << "the typed letters replace the selected text";
  EXPECT_EQ("oc", afterRetyping) << "WM_NEXTDLGCTL selects the text again";
  EXPECT_TRUE(commands.empty()) << "a key pressed a button: " << commands.front();
  EXPECT_EQ(nullptr, topAfterEnd) << "the ended dialog is still on top";
  EXPECT_FALSE(keyAfterEnd) << "the ended dialog took a key";
  EXPECT_EQ(0, shownAfterEnd) << "the ended dialog is still drawn";
  (void)dialogWindow;
}

// The list box belongs to the dialog's thread: a send from another thread
// is handled there, and the sender gets the result once it has been.
TEST_F(StandInDialogTest, SendFromAnotherThreadIsHandledOnTheDialogThread) {
  std::thread helper;
  LRESULT inserted = -2, count = -2;
  std::thread::id procedureThread;
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      helper = std::thread([&, dialog] {
        inserted = SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), LPARAM("from the worker"));
        count = SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0);
        SendMessageA(dialog, WM_APP, 0, 0);
        PostMessageA(dialog, WM_APP + 1, 0, 0);
      });
    }
    if (message == WM_APP) procedureThread = std::this_thread::get_id();
    if (message == WM_APP + 1) EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
  helper.join();
  EXPECT_EQ(inserted, 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(procedureThread, std::this_thread::get_id());
  ASSERT_EQ(recordedLines, std::vector<std::string>{"from the worker"});
  EXPECT_EQ(recordedThreads[0], std::this_thread::get_id());
}

// While the dialog thread runs a nested dialog (the question), that loop
// handles what other threads send to the outer dialog.
TEST_F(StandInDialogTest, NestedDialogHandlesMessagesSentToItsOwner) {
  std::thread helper;
  LRESULT inserted = -2, count = -2;
  INT_PTR answer = -2;
  HWND outer = nullptr;
  handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    bool nested = dialog != outer;
    if (message == WM_INITDIALOG && outer == nullptr) {
      outer = dialog;
      PostMessageA(dialog, WM_APP, 0, 0);
    } else if (message == WM_INITDIALOG) {
      helper = std::thread([&, dialog] {
        inserted = SendDlgItemMessageA(outer, IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), LPARAM("while asking"));
        PressKey(dialog, kKeyEscape);
      });
    } else if (message == WM_APP && !nested) {
      answer = DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_CONFIRM_DIALOG), dialog, TestProcedure, 0);
      count = SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0);
      EndDialog(dialog, 0);
    } else if (message == WM_COMMAND && nested && wParam == IDCANCEL) {
      EndDialog(dialog, 7);
    }
    return FALSE;
  };
  RunMainDialog();
  helper.join();
  EXPECT_EQ(inserted, 0);
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(count, 1);
}

TEST_F(StandInDialogTest, PostedAndSentMessagesAreHandledInOrder) {
  std::thread helper;
  std::vector<UINT> order;
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      PostMessageA(dialog, WM_APP + 1, 0, 0);
      helper = std::thread([dialog] {
        PostMessageA(dialog, WM_APP + 2, 0, 0);
        SendMessageA(dialog, WM_APP + 3, 0, 0);
        PostMessageA(dialog, WM_APP + 4, 0, 0);
        SendMessageA(dialog, WM_APP + 5, 0, 0);
        PostMessageA(dialog, WM_APP + 9, 0, 0);
      });
    }
    if (message > WM_APP && message < WM_APP + 9) order.push_back(message - WM_APP);
    if (message == WM_APP + 9) EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
  helper.join();
  EXPECT_EQ(order, (std::vector<UINT>{1, 2, 3, 4, 5}));
}

TEST_F(StandInDialogTest, KeyboardRules) {
  enum Change { kNone, kDisable, kHide };
  struct Row {
    const char* name;
    int changedId;
    Change change;
    int key;
    std::vector<WPARAM> commands;  // the WM_COMMANDs the procedure gets
  } rows[] = {
      {"Enter presses the default button", 0, kNone, kKeyEnter, {MAKEWPARAM(IDOK, BN_CLICKED)}},
      {"Enter does nothing while it is disabled", IDOK, kDisable, kKeyEnter, {}},
      {"Esc reaches the procedure as IDCANCEL", IDC_CANCEL_RUN, kDisable, kKeyEscape, {IDCANCEL}},
      {"a mnemonic presses its button", 0, kNone, 'q', {MAKEWPARAM(IDC_QUIT, BN_CLICKED)}},
      {"in either case", 0, kNone, 'L', {MAKEWPARAM(IDC_PRINT_LABEL, BN_CLICKED)}},
      {"not while the button is disabled", IDC_QUIT, kDisable, 'q', {}},
      {"nor while it is hidden", IDC_QUIT, kHide, 'q', {}},
      {"a letter of no button", 0, kNone, 'z', {}},
  };
  for (const Row& row : rows) {
    std::vector<WPARAM> commands;
    bool pressed = false, buttonsMatch = true;
    handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
      if (message == WM_INITDIALOG) {
        if (row.change == kDisable) EnableWindow(GetDlgItem(dialog, row.changedId), FALSE);
        if (row.change == kHide) ShowWindow(GetDlgItem(dialog, row.changedId), SW_HIDE);
        pressed = PressKey(dialog, row.key);
        PostMessageA(dialog, WM_APP, 0, 0);
      }
      if (message == WM_COMMAND) {
        commands.push_back(wParam);
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != IDCANCEL)
          buttonsMatch = buttonsMatch && HWND(lParam) == GetDlgItem(dialog, LOWORD(wParam));
      }
      if (message == WM_APP) EndDialog(dialog, 0);
      return FALSE;
    };
    RunMainDialog();
    EXPECT_EQ(commands, row.commands) << row.name;
    EXPECT_EQ(pressed, !row.commands.empty()) << row.name;
    EXPECT_TRUE(buttonsMatch) << row.name << ": lParam is the button's window";
  }
}

TEST_F(StandInDialogTest, ListBoxAndComboBoxMessages) {
  struct Row {
    int id;
    UINT message;
    WPARAM wParam;
    const char* text;     // lParam for adding; the text read back for getting
    LRESULT result;
  } rows[] = {
      {IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), "one", 0},
      {IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), "two", 1},
      {IDC_MESSAGE_LIST, LB_INSERTSTRING, 0, "zero", 0},
      {IDC_MESSAGE_LIST, LB_INSERTSTRING, 4, "beyond the end", LB_ERR},
      {IDC_MESSAGE_LIST, LB_ADDSTRING, 0, "a", 3},  // not sorted
      {IDC_MESSAGE_LIST, LB_GETCOUNT, 0, nullptr, 4},
      {IDC_MESSAGE_LIST, LB_GETTEXTLEN, 0, nullptr, 4},
      {IDC_MESSAGE_LIST, LB_GETTEXT, 1, "one", 3},
      {IDC_MESSAGE_LIST, LB_GETTEXT, 4, nullptr, LB_ERR},
      {IDC_MESSAGE_LIST, LB_SETTOPINDEX, 3, nullptr, 0},
      {IDC_MESSAGE_LIST, LB_GETTOPINDEX, 0, nullptr, 0},  // four lines fit: no scrolling
      {IDC_MESSAGE_LIST, LB_SETHORIZONTALEXTENT, 968, nullptr, 0},
      {IDC_DRIVE_LIST, CB_ADDSTRING, 0, "B:", 0},
      {IDC_DRIVE_LIST, CB_ADDSTRING, 0, "A:", 0},  // sorted
      {IDC_DRIVE_LIST, CB_ADDSTRING, 0, "C:", 2},
      {IDC_DRIVE_LIST, CB_GETCOUNT, 0, nullptr, 3},
      {IDC_DRIVE_LIST, CB_GETCURSEL, 0, nullptr, CB_ERR},
      {IDC_DRIVE_LIST, CB_SETCURSEL, 1, nullptr, 1},
      {IDC_DRIVE_LIST, CB_GETCURSEL, 0, nullptr, 1},
      {IDC_DRIVE_LIST, CB_GETLBTEXT, 1, "B:", 2},
      {IDC_DRIVE_LIST, CB_GETLBTEXTLEN, 2, nullptr, 2},
      {IDC_DRIVE_LIST, CB_SETCURSEL, 3, nullptr, CB_ERR},  // clears the selection
      {IDC_DRIVE_LIST, CB_GETCURSEL, 0, nullptr, CB_ERR},
  };
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message != WM_INITDIALOG) return FALSE;
    for (const Row& row : rows) {
      bool reads = row.message == LB_GETTEXT || row.message == CB_GETLBTEXT;
      char buffer[64] = "untouched";
      LPARAM lParam = reads ? LPARAM(buffer) : LPARAM(row.text);
      LRESULT result = SendDlgItemMessageA(dialog, row.id, row.message, row.wParam, lParam);
      EXPECT_EQ(result, row.result) << "message 0x" << std::hex << row.message << " wParam " << std::dec
                                    << int(row.wParam);
      if (reads && row.text != nullptr) {
        EXPECT_STREQ(buffer, row.text);
      }
    }
    // A full list scrolls no further than its last page: the message list
    // shows 13 rows (176 pixels of client area, 13 pixels a row).
    for (int i = 0; i < 20; ++i) SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_INSERTSTRING, WPARAM(-1), LPARAM("more"));
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_SETTOPINDEX, 23, 0), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_GETTOPINDEX, 0, 0), 24 - 13);
    HWND list = GetDlgItem(dialog, IDC_MESSAGE_LIST);
    {
      UserHold hold(UserLock());
      EXPECT_EQ(list->horizontalExtent, 968);
    }
    EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
  std::vector<std::string> firstLines(recordedLines.begin(), recordedLines.begin() + 4);
  EXPECT_EQ(firstLines, (std::vector<std::string>{"one", "two", "zero", "a"}));
}

TEST_F(StandInDialogTest, EditLimitCutsTypingOnly) {
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message != WM_INITDIALOG) return FALSE;
    HWND password = GetDlgItem(dialog, IDC_PASSWORD);
    std::string longText(30001, 'x');
    EXPECT_EQ(TypeText(password, longText.c_str()), 30000) << "the default limit";
    SendMessageA(password, EM_LIMITTEXT, 12, 0);
    EXPECT_EQ(TypeText(password, "abcdefghijklmnop"), 12);
    char text[32];
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_PASSWORD, text, sizeof text), 12u);
    EXPECT_STREQ(text, "abcdefghijkl");
    // The program itself may set a longer text.
    SetDlgItemTextA(dialog, IDC_PASSWORD, "abcdefghijklmnopqrst");
    EXPECT_EQ(SendMessageA(password, WM_GETTEXTLENGTH, 0, 0), 20);
    EXPECT_EQ(GetDlgItemTextA(dialog, IDC_PASSWORD, text, 5), 4u);
    EXPECT_STREQ(text, "abcd");
    EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
}

// Pixels from dialog units (6 x 13 per 4 x 8), a 3-pixel frame and a
// 19-pixel caption, on a 1024 x 768 screen where DS_CENTER centres.
TEST_F(StandInDialogTest, GeometryFollowsTheDialogUnits) {
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message != WM_INITDIALOG) return FALSE;
    auto rect = [](HWND window, bool client) {
      RECT r{-1, -1, -1, -1};
      EXPECT_TRUE(client ? GetClientRect(window, &r) : GetWindowRect(window, &r));
      return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(rect(dialog, true), (std::vector<LONG>{0, 0, 478, 331}));
    EXPECT_EQ(rect(dialog, false), (std::vector<LONG>{270, 206, 754, 562}));
    EXPECT_EQ(rect(GetDlgItem(dialog, IDOK), false), (std::vector<LONG>{303, 533, 363, 555}));
    EXPECT_EQ(rect(GetDlgItem(dialog, IDC_MESSAGE_LIST), true), (std::vector<LONG>{0, 0, 470, 176}));
    EXPECT_TRUE(SetWindowPos(dialog, HWND_TOP, 10, 20, 0, 0, SWP_NOSIZE));
    EXPECT_EQ(rect(dialog, false), (std::vector<LONG>{10, 20, 494, 376}));
    EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
}

TEST_F(StandInDialogTest, SystemMenuIconsAndPaint) {
  int paints = 0;
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      HMENU menu = GetSystemMenu(dialog, FALSE);
      EXPECT_NE(menu, nullptr);
      EXPECT_TRUE(RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND));
      SetLastError(0xdeadbeef);
      EXPECT_FALSE(RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND));
      EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
      if (menu != nullptr) {
        EXPECT_EQ(menu->commands, std::vector<UINT>{SC_MOVE});
      }

      HICON icon = LoadIconA(kInstance, MAKEINTRESOURCEA(IDI_DISKETTE_ARROW));
      EXPECT_NE(icon, nullptr);
      EXPECT_EQ(icon, LoadIconA(kInstance, MAKEINTRESOURCEA(IDI_DISKETTE_ARROW)));
      SendMessageA(dialog, WM_SETICON, ICON_BIG, LPARAM(icon));
      EXPECT_EQ(dialog->dialogRecord->bigIcon, icon);
      SetLastError(0xdeadbeef);
      EXPECT_EQ(LoadIconA(kInstance, MAKEINTRESOURCEA(101)), nullptr);
      EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));

      HFONT font = HFONT(&paints);
      SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, WM_SETFONT, WPARAM(font), FALSE);
      EXPECT_EQ(GetDlgItem(dialog, IDC_MESSAGE_LIST)->font, font);

      InvalidateRgn(dialog, nullptr, FALSE);
      InvalidateRgn(dialog, nullptr, FALSE);
      PostMessageA(dialog, WM_APP, 0, 0);
    }
    if (message == WM_PAINT) {
      paints++;
      PostMessageA(dialog, WM_APP + 1, 0, 0);
    }
    // The paint waits for an empty queue: after WM_APP, before WM_APP + 1.
    if (message == WM_APP) {
      EXPECT_EQ(paints, 0);
    }
    if (message == WM_APP + 1) EndDialog(dialog, 0);
    return FALSE;
  };
  RunMainDialog();
  EXPECT_EQ(paints, 1);

  // The question has no system menu.
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      EXPECT_EQ(GetSystemMenu(dialog, FALSE), nullptr);
      EndDialog(dialog, 0);
    }
    return FALSE;
  };
  DialogBoxParamA(kInstance, MAKEINTRESOURCEA(IDD_CONFIRM_DIALOG), nullptr, TestProcedure, 0);
}

// Windows that do not exist fail with the window manager's errors.
TEST_F(StandInDialogTest, StaleAndMissingWindowsFail) {
  HWND stale = nullptr, staleControl = nullptr;
  handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      stale = dialog;
      staleControl = GetDlgItem(dialog, IDOK);
      SetLastError(0xdeadbeef);
      EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
      EXPECT_EQ(GetLastError(), DWORD(ERROR_CONTROL_ID_NOT_FOUND));
      EndDialog(dialog, 3);
    }
    return FALSE;
  };
  EXPECT_EQ(RunMainDialog(), 3) << "EndDialog during WM_INITDIALOG";

  struct Row {
    const char* call;
    std::function<bool()> fails;
  } rows[] = {
      {"EndDialog", [&] { return !EndDialog(stale, 0); }},
      {"SendMessageA", [&] { return SendMessageA(staleControl, WM_GETTEXTLENGTH, 0, 0) == 0; }},
      {"PostMessageA", [&] { return !PostMessageA(stale, WM_APP, 0, 0); }},
      {"EnableWindow", [&] { return !EnableWindow(staleControl, TRUE) && !IsWindowEnabled(staleControl); }},
      {"SetDlgItemTextA", [&] { return !SetDlgItemTextA(stale, IDOK, "x"); }},
      {"GetWindowRect", [&] {
         RECT r;
         return !GetWindowRect(stale, &r);
       }},
  };
  for (const Row& row : rows) {
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(row.fails()) << row.call;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE)) << row.call;
  }
}

}  // namespace
