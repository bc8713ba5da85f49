// The program's resources as the POSIX stand-in reads them from the
// embedded resource script: the three dialog templates, control by
// control, the default styles of the statements (those windres gives), the
// parser's refusals, and the two icon files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "helpers/test_files.h"
#include "resource.h"
#include "user32/resource_script.h"

namespace {

struct ControlRow {
  int id;
  ControlClass controlClass;
  int x, y, cx, cy;
  const char* text;
  int iconId;
  DWORD styleHas;    // bits that must be set
  DWORD styleLacks;  // bits that must be clear
  DWORD exStyle;     // exactly
};

const DWORD kPush = WS_TABSTOP;  // BS_PUSHBUTTON is 0: checked by the type bits below

// Dialog 5006, in template order.
const ControlRow kMainControls[] = {
    {IDC_PROMPT, kClassStatic, 1, 4, 230, 8, "Put a diskette in drive and press Ok (diskette will be ERASED)", 0, 0,
     0x1F, 0},
    {IDC_DRIVE_LABEL, kClassStatic, 230, 4, 35, 8, "Drive", 0, 0, 0x1F, 0},
    {IDC_DRIVE_LIST, kClassComboBox, 269, 1, 48, 100, "", 0, CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0,
     WS_EX_CLIENTEDGE | WS_EX_STATICEDGE},
    {IDC_MESSAGE_LIST, kClassListBox, 2, 18, 315, 110, "", 0, WS_BORDER | WS_VSCROLL | WS_HSCROLL, LBS_SORT | LBS_NOTIFY,
     0},
    {IDC_PRINT_LABEL, kClassButton, 2, 133, 80, 14, "Print &label", 0, kPush, 0x0F, 0},
    {IDC_PRINT_MESSAGE, kClassButton, 86, 133, 80, 14, "Print &message", 0, kPush, 0x0F, 0},
    {IDC_PRINT_DATA, kClassButton, 169, 133, 80, 14, "Print &data", 0, kPush, 0x0F, 0},
    {IDC_TEST_ONLY, kClassButton, 169, 153, 80, 14, "&Test only", 0, kPush, 0x0F, 0},
    {-1, kClassStatic, 289, 136, 20, 18, "", IDI_DISKETTE, SS_ICON, 0, 0},
    {-1, kClassStatic, 258, 136, 20, 18, "", IDI_DISKETTE_ARROW, SS_ICON, 0, 0},
    {IDC_PASSWORD_LABEL, kClassStatic, 2, 154, 80, 8, "Password", 0, 0, 0x1F, 0},
    {IDC_PASSWORD, kClassEdit, 86, 154, 80, 12, "", 0,
     ES_PASSWORD | ES_AUTOHSCROLL | ES_OEMCONVERT | WS_BORDER | WS_TABSTOP | WS_GROUP, 0, 0},
    {IDOK, kClassButton, 20, 188, 40, 14, "&Ok", 0, BS_DEFPUSHBUTTON | WS_TABSTOP, 0x0E, 0},
    {IDC_CANCEL_RUN, kClassButton, 100, 188, 40, 14, "&Cancel", 0, kPush, 0x0F, 0},
    {IDC_QUIT, kClassButton, 180, 188, 40, 14, "&Quit", 0, kPush, 0x0F, 0},
    {IDC_HELP, kClassButton, 260, 188, 40, 14, "&Help", 0, kPush, 0x0F, 0},
};

// Dialog 5003, a classic template: the statics' id -1 is 65535 there.
const ControlRow kConfirmControls[] = {
    {IDC_QUESTION_TOP, kClassStatic, 4, 4, 207, 52, "", 0, 0, 0x1F, 0},
    {IDC_QUESTION_BOTTOM, kClassStatic, 3, 60, 205, 48, "", 0, 0, 0x1F, 0},
    {IDOK, kClassButton, 26, 113, 79, 25, "Yes", 0, kPush, 0x0F, 0},
    {IDC_NO, kClassButton, 107, 113, 76, 25, "No", 0, BS_DEFPUSHBUTTON | WS_TABSTOP, 0x0E, 0},
    {0xFFFF, kClassStatic, 4, 117, 20, 18, "", IDI_DISKETTE, SS_ICON, 0, 0},
    {0xFFFF, kClassStatic, 187, 118, 20, 18, "", IDI_DISKETTE_ARROW, SS_ICON, 0, 0},
};

// Dialog 5007.
const ControlRow kPrintFileControls[] = {
    {IDC_PRINT_FILE_NAME, kClassEdit, 24, 23, 233, 12, "", 0, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, ES_PASSWORD,
     WS_EX_STATICEDGE},
    {IDOK, kClassButton, 24, 48, 71, 14, "&Ok", 0, BS_DEFPUSHBUTTON | WS_TABSTOP, 0x0E, WS_EX_CLIENTEDGE},
    {IDCANCEL, kClassButton, 186, 46, 71, 14, "&Cancel", 0, kPush, 0x0F, WS_EX_CLIENTEDGE},
};

template <size_t N>
void ExpectControls(const DialogTemplate& dialog, const ControlRow (&rows)[N]) {
  ASSERT_EQ(dialog.controls.size(), N) << "dialog " << dialog.id;
  for (size_t i = 0; i < N; ++i) {
    const ControlTemplate& c = dialog.controls[i];
    const ControlRow& row = rows[i];
    SCOPED_TRACE("dialog " + std::to_string(dialog.id) + ", control " + std::to_string(i) + " (id " +
                 std::to_string(row.id) + ")");
    EXPECT_EQ(c.id, row.id);
    EXPECT_EQ(c.controlClass, row.controlClass);
    EXPECT_EQ(c.x, row.x);
    EXPECT_EQ(c.y, row.y);
    EXPECT_EQ(c.cx, row.cx);
    EXPECT_EQ(c.cy, row.cy);
    EXPECT_EQ(c.text, row.text);
    EXPECT_EQ(c.iconId, row.iconId);
    EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE | WS_DISABLED), DWORD(WS_CHILD | WS_VISIBLE)) << std::hex << c.style;
    EXPECT_EQ(c.style & row.styleHas, row.styleHas) << std::hex << c.style;
    EXPECT_EQ(c.style & row.styleLacks, 0u) << std::hex << c.style;
    EXPECT_EQ(c.exStyle, row.exStyle) << std::hex << c.exStyle;
  }
}

TEST(ResourcesTest, MainDialogTemplate) {
  const DialogTemplate* dialog = FindDialogTemplate(IDD_MAIN_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->extended);
  EXPECT_EQ(dialog->style, DWORD(DS_SETFONT | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(dialog->exStyle, 0u);
  EXPECT_EQ((std::vector<int>{dialog->x, dialog->y, dialog->cx, dialog->cy}), (std::vector<int>{12, 20, 319, 204}));
  EXPECT_EQ(dialog->caption, "Zolt Version 4.38");
  EXPECT_EQ(dialog->fontName, "Helv");
  EXPECT_EQ(dialog->fontSize, 8);
  ExpectControls(*dialog, kMainControls);
  // A drop-down list: the type bits are CBS_DROPDOWNLIST, not CBS_DROPDOWN.
  EXPECT_EQ(dialog->controls[2].style & 0x3, DWORD(CBS_DROPDOWNLIST));
}

TEST(ResourcesTest, ConfirmationDialogTemplate) {
  const DialogTemplate* dialog = FindDialogTemplate(IDD_CONFIRM_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->extended);
  EXPECT_EQ(dialog->style, DWORD(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION));
  EXPECT_EQ((std::vector<int>{dialog->x, dialog->y, dialog->cx, dialog->cy}), (std::vector<int>{20, 40, 213, 141}));
  EXPECT_EQ(dialog->fontName, "Helv");
  EXPECT_EQ(dialog->fontSize, 8);
  ExpectControls(*dialog, kConfirmControls);
}

TEST(ResourcesTest, PrintFileDialogTemplate) {
  const DialogTemplate* dialog = FindDialogTemplate(IDD_PRINT_FILE_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->extended);
  EXPECT_EQ(dialog->style, DWORD(DS_SETFONT | DS_MODALFRAME | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ((std::vector<int>{dialog->x, dialog->y, dialog->cx, dialog->cy}), (std::vector<int>{20, 40, 289, 68}));
  EXPECT_EQ(dialog->caption, "Enter file name to print to:");
  EXPECT_EQ(dialog->fontName, "System monospaced");
  EXPECT_EQ(dialog->fontSize, 10);
  ExpectControls(*dialog, kPrintFileControls);
}

// The styles each statement gives, as windres compiles them (checked with
// `windres -O rc` on the compiled resource): a given style replaces the
// statement's default but keeps its base bits.
TEST(ResourcesTest, StatementsGiveTheStylesOfWindres) {
  struct Row {
    const char* statement;
    DWORD style;
  } rows[] = {
      {"LTEXT \"a\", 1, 0, 0, 1, 1", 0x50020000},
      {"LTEXT \"a\", 1, 0, 0, 1, 1, SS_LEFT", 0x50000000},
      {"PUSHBUTTON \"a\", 1, 0, 0, 1, 1, WS_GROUP", 0x50030000},
      {"EDITTEXT 1, 0, 0, 1, 1, ES_PASSWORD", 0x50810020},
      {"COMBOBOX 1, 0, 0, 1, 1", 0x50010001},
      {"COMBOBOX 1, 0, 0, 1, 1, WS_VSCROLL", 0x50200000},
      {"LISTBOX 1, 0, 0, 1, 1, WS_VSCROLL", 0x50a00001},
      {"LISTBOX 1, 0, 0, 1, 1, WS_VSCROLL | NOT LBS_NOTIFY", 0x50a00000},
      {"CONTROL \"a\", 1, \"Button\", BS_PUSHBUTTON, 0, 0, 1, 1", 0x50000000},
      {"ICON 100, -1, 0, 0, 20, 18", 0x50000003},
  };
  for (const Row& row : rows) {
    std::string script = std::string("1 DIALOG 0, 0, 10, 10\nBEGIN\n") + row.statement + "\nEND\n";
    ResourceScript parsed;
    std::string error;
    ASSERT_TRUE(ParseResourceScript(script.c_str(), &parsed, &error)) << row.statement << ": " << error;
    ASSERT_EQ(parsed.dialogs.size(), 1u);
    ASSERT_EQ(parsed.dialogs[0].controls.size(), 1u);
    EXPECT_EQ(parsed.dialogs[0].controls[0].style, row.style) << row.statement;
  }
}

TEST(ResourcesTest, ParserNamesTheLineOfWhatItDoesNotKnow) {
  struct Row {
    const char* script;
    const char* error;
  } rows[] = {
      {"1 DIALOG 0, 0, 1, 1\nSTYLE WS_POPUP | WS_FANCY\nBEGIN\nEND\n", "line 2: unknown name WS_FANCY"},
      {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  RTEXT \"a\", 1, 0, 0, 1, 1\nEND\n", "line 3: statement RTEXT is not supported"},
      {"1 MENU\nBEGIN\nEND\n", "line 1: resource type MENU is not supported"},
      {"#include \"other.h\"\n", "line 1: #include of a file of the project (the build inlines resource.h)"},
      {"#if 1\n#endif\n", "line 1: #if is not supported"},
      {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  CONTROL \"a\", 1, \"msctls_progress32\", 0, 0, 0, 1, 1\nEND\n",
       "line 3: control class \"msctls_progress32\" is not supported"},
      {"1 DIALOG 0, 0, 1, 1\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 1, 1, 0, 0, 0\nEND\n", "line 3: too many values for LTEXT"},
  };
  for (const Row& row : rows) {
    ResourceScript parsed;
    std::string error;
    EXPECT_FALSE(ParseResourceScript(row.script, &parsed, &error)) << row.script;
    EXPECT_EQ(error, row.error) << row.script;
  }
}

// Icons 100 and 116: named by the script, 32 x 32 pixels in 16 colours,
// one BMP image (4 bits a pixel) inside each ICO file.
TEST(ResourcesTest, IconsAreSixteenColourIcoFiles) {
  for (int id : {IDI_DISKETTE, IDI_DISKETTE_ARROW}) {
    const IconResource* icon = FindIconResource(id);
    ASSERT_NE(icon, nullptr) << id;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(std::string(ZOLT_SOURCE_DIR) + "/resources/" + icon->file, &bytes)) << icon->file;
    ASSERT_EQ(bytes.size(), 6u + 16 + 40 + 16 * 4 + 32 * 16 + 32 * 4) << icon->file;
    auto word = [&bytes](size_t at) { return unsigned(bytes[at] | bytes[at + 1] << 8); };
    EXPECT_EQ((std::vector<unsigned>{word(0), word(2), word(4)}), (std::vector<unsigned>{0, 1, 1})) << "directory";
    EXPECT_EQ((std::vector<unsigned>{bytes[6], bytes[7], bytes[8], word(12)}), (std::vector<unsigned>{32, 32, 16, 4}))
        << "entry: width, height, colours, bits";
    EXPECT_EQ(word(18), 22u) << "image offset";
    EXPECT_EQ((std::vector<unsigned>{word(22), word(26), word(30), word(34), word(36)}),
              (std::vector<unsigned>{40, 32, 64, 1, 4}))
        << "BITMAPINFOHEADER: size, width, height of both masks, planes, bits";
  }
}

}  // namespace
