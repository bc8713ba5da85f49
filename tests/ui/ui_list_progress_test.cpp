// The message list's adding operations and the progress bar, on the real
// main dialog template run by the stand-in on a thread of its own, with the
// test thread acting as the worker (its adds are cross-thread sends).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "front_ends/front_end.h"
#include "gdi32/gdi_record.h"
#include "resource.h"
#include "ui/message_list.h"
#include "ui/progress.h"

namespace {

std::atomic<HWND> shownDialog{nullptr};

INT_PTR CALLBACK TestDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) shownDialog = dialog;
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_QUIT) EndDialog(dialog, 0);
  return 0;
}

int AnswerOk(HWND, const char*, const char*, UINT) { return IDOK; }
const FrontEnd kQuietFrontEnd = {"quiet", nullptr, nullptr, nullptr, nullptr, nullptr, AnswerOk};

// The main dialog template shown on a thread of its own for one test.
class MainDialogOnAThread : public testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    SetFrontEnd(&kQuietFrontEnd);
    shownDialog = nullptr;
    dialogThread = std::thread([] {
      DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr, TestDialog, 0);
    });
    while (shownDialog == nullptr) std::this_thread::yield();
    app.mainWindow = shownDialog.load();
  }
  void TearDown() override {
    PostMessageA(app.mainWindow, WM_COMMAND, IDC_QUIT, 0);
    dialogThread.join();
    SetFrontEnd(nullptr);
    ResetAppState();
  }
  std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    LRESULT count = SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char line[1024] = "";
      SendDlgItemMessageA(app.mainWindow, IDC_MESSAGE_LIST, LB_GETTEXT, WPARAM(i), (LPARAM)line);
      lines.push_back(line);
    }
    return lines;
  }
  std::thread dialogThread;
};

using MessageList = MainDialogOnAThread;
using ProgressBar = MainDialogOnAThread;

}  // namespace

TEST_F(MessageList, AddingLinesAndTexts) {
  struct Case {
    bool asText;  // AppendListText, else AppendListLine
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {false, "\nInvalid password, please re-enter\n", {"Invalid password, please re-enter"}},
      {false, "", {""}},
      {false, "tab\there\r", {"tab\there\r"}},
      {false, "\x82t\x82", {"\xE9t\xE9"}},  // code page 437 to 1252
      {true, "one\r\ntwo\r\n", {"one", "two"}},
      {true, "first\n\nsecond", {"first", "", "second"}},
      {true, "word\r", {"word\r"}},
      {true, "\n", {""}},
      {true, "word.\n", {"word"}},
      {true, " - Usage:\n  more\n", {" - Usage", "  more"}},
      {true, "", {}},
      {true, "caf\x82!\n", {"caf\xE9"}},  // a byte from 128 up is not a letter here
  };
  for (const Case& c : cases) {
    size_t before = ListLines().size();
    std::string text = c.text;
    if (c.asText)
      AppendListText(text.data());
    else
      AppendListLine(text.data());
    std::vector<std::string> lines = ListLines();
    std::vector<std::string> added(lines.begin() + long(before), lines.end());
    EXPECT_EQ(c.lines, added) << (c.asText ? "text " : "line ") << testing::PrintToString(c.text);
  }
  // A line longer than the list takes is cut, never overrun.
  std::string longLine(400, 'x');
  AppendListLine(longLine.data());
  EXPECT_EQ(std::string(kListLineMax, 'x'), ListLines().back());
}

TEST_F(ProgressBar, GeometryFollowsTheClientArea) {
  RECT client;
  ASSERT_TRUE(GetClientRect(app.mainWindow, &client));
  const LONG top = client.bottom * 5 / 6;
  const LONG full = client.right - 2;
  const GdiLiveObjects live = CountGdiLiveObjects();
  struct Case {
    uint32_t value, total;
    char style;
    LONG fillRight;  // the Rectangle's right edge (one past the last column)
    uint16_t percent;
    COLORREF colour;
  } cases[] = {
      {0, 100, 'W', 1, 0, RGB(0, 255, 0)},
      {99, 100, 'W', full + 1, 99, RGB(0, 255, 0)},
      {100, 100, 'W', full + 1, 100, RGB(0, 255, 0)},  // capped at the full length
      {5, 11, 'F', full / 2 + 1, 45, RGB(128, 128, 255)},
      {50, 100, 'E', LONG(uint64_t(full) * 50 / 99) + 1, 50, RGB(255, 0, 0)},
      {50, 100, 0, LONG(uint64_t(full) * 50 / 99) + 1, 50, RGB(255, 0, 0)},  // a repaint keeps the style
  };
  for (const Case& c : cases) {
    TakeGdiRecord();
    DrawProgress(c.value, c.total, c.style);
    std::vector<GdiOperation> ops = TakeGdiRecord();
    const GdiOperation* edge = nullptr;
    const GdiOperation* fill = nullptr;
    for (const GdiOperation& op : ops) {
      if (op.kind == kGdiDrawEdge) edge = &op;
      if (op.kind == kGdiRectangle) fill = &op;
    }
    SCOPED_TRACE(testing::Message() << c.value << "/" << c.total << " style " << (c.style ? c.style : '0'));
    ASSERT_NE(nullptr, edge);
    ASSERT_NE(nullptr, fill);
    EXPECT_EQ(top, edge->rect.top);
    EXPECT_EQ(top + 24, edge->rect.bottom);
    EXPECT_EQ(client.right, edge->rect.right);
    EXPECT_EQ(2, fill->rect.left);
    EXPECT_EQ(top + 2, fill->rect.top);
    EXPECT_EQ(top + 23, fill->rect.bottom);
    EXPECT_EQ(c.fillRight, fill->rect.right);
    EXPECT_TRUE(fill->nullPen);
    EXPECT_EQ(c.colour, fill->brushColour);
    EXPECT_EQ(c.percent, app.lastPercent.load());
  }
  EXPECT_EQ(live.deviceContexts, CountGdiLiveObjects().deviceContexts) << "every DC is released";
  EXPECT_EQ(live.createdObjects, CountGdiLiveObjects().createdObjects) << "every brush is deleted";
}
