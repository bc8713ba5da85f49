// The file port: the print-to-file dialog's name, the text and CR LF per
// copy appended to the file, and the message when the file cannot be
// opened.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/app_state.h"
#include "front_ends/front_end.h"
#include "helpers/program_in_process.h"
#include "helpers/test_files.h"
#include "pack/default_catalogue.h"
#include "print/print_state.h"
#include "resource.h"
#include "user32/dialog_input.h"

namespace {

std::string boxText, boxCaption;
UINT boxType;

int RecordMessageBox(HWND, const char* text, const char* caption, UINT type) {
  boxText = text;
  boxCaption = caption;
  boxType = type;
  return IDOK;
}

const FrontEnd kRecordingFrontEnd = {"recording", nullptr, nullptr, nullptr, nullptr, nullptr, RecordMessageBox};

std::string WindowText(HWND window) {
  char text[256] = "";
  SendMessageA(window, WM_GETTEXT, sizeof text, (LPARAM)text);
  return text;
}

class PrintFileTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetAppState();
    SetFrontEnd(&kRecordingFrontEnd);
    boxText.clear();
    const std::string area = DefaultCatalogueArea();
    app.messages.area = static_cast<char*>(malloc(area.size() + 1));
    memcpy(app.messages.area, area.c_str(), area.size() + 1);
    app.messages.areaLength = uint32_t(area.size());
    app.messages.count = kDefaultCatalogueCount;
    app.messages.entry = static_cast<char**>(malloc(sizeof(char*) * kDefaultCatalogueCount));
    IndexTextTable(&app.messages);
    // "Yes" with code page 437's A umlaut (ANSI C4h) for its Y: the
    // dialog's captions are set as stored, unconverted.
    app.messages.entry[72][0] = '\x8E';
  }
  void TearDown() override {
    FreeTextTable(&app.messages);
    SetFrontEnd(nullptr);
    ResetAppState();
  }
  TempDir dir;
};

}  // namespace

TEST_F(PrintFileTest, AppendsCopiesOrNamesTheFileItCannotOpen) {
  const struct {
    const char* what;
    const char* name;  // under the test's folder; null: the dialog is cancelled
    int copies;
    const char* file;  // the file afterwards; null: it does not exist
    bool cannotOpen;
  } cases[] = {
      {"two copies appended", "out.txt", 2, "earlier\r\nLabel\r\nline 2\r\nLabel\r\nline 2\r\n", false},
      {"a folder that does not exist", "missing/out.txt", 1, nullptr, true},
      {"the dialog cancelled", nullptr, 1, "earlier\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string existing = dir / "out.txt";
    ASSERT_TRUE(WriteWholeFile(existing, {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\r', '\n'}));
    const std::string name = c.name != nullptr ? dir / c.name : "";
    boxText.clear();
    // The print state outlives a program run in this process: a printer
    // choice an earlier test kept is let go, not overwritten.
    ReleasePrinterChoice();
    printState.printDialog = static_cast<PRINTDLGA*>(calloc(1, sizeof(PRINTDLGA)));
    printState.printDialog->nCopies = WORD(c.copies);

    const uint64_t shown = DialogsShownCount();
    std::thread job([] { PrintToFile("Label\r\nline 2"); });
    ASSERT_TRUE(Eventually([shown] { return DialogsShownCount() > shown && TopDialog() != nullptr; }));
    HWND dialog = TopDialog();
    EXPECT_EQ("Enter file name to print to:", WindowText(dialog));
    EXPECT_EQ("\x8E" "es", WindowText(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ("&Cancel", WindowText(GetDlgItem(dialog, IDCANCEL)));
    if (c.name != nullptr) {
      TypeText(GetDlgItem(dialog, IDC_PRINT_FILE_NAME), name.c_str());
      PressButton(GetDlgItem(dialog, IDOK));
    } else {
      PressKey(dialog, kKeyEscape);
    }
    job.join();

    std::vector<uint8_t> bytes;
    const std::string written = c.name != nullptr ? name : existing;
    if (c.file == nullptr) {
      EXPECT_FALSE(FileExists(written));
    } else {
      ASSERT_TRUE(ReadWholeFile(written, &bytes));
      EXPECT_EQ(c.file, std::string(bytes.begin(), bytes.end()));
    }
    if (c.cannotOpen) {
      EXPECT_EQ("Cannot open " + name, boxText);
      EXPECT_EQ("ZOLT", boxCaption);
      EXPECT_EQ(UINT(MB_ICONHAND), boxType);
    } else {
      EXPECT_EQ("", boxText);
    }
    // A file port keeps no printer: the next job asks again.
    EXPECT_EQ(nullptr, printState.printDialog);
    EXPECT_EQ(0, printState.documentOpen);
  }
}

TEST(PrintFilePort, OnlyAPortNamedFileInCapitalsIsOne) {
  const struct {
    const char* port;
    bool file;
  } cases[] = {
      {"FILE:", true}, {"FILE", true},   {"FILES:", true}, {"file:", false}, {"File:", false},
      {"FIL", false},  {"LPT1:", false}, {"", false},      {"cups-pdf:/zolt", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.file, IsFilePort(c.port)) << '"' << c.port << '"';
}
