// The main dialog's procedure: initialisation, the commands and repaints.
#include "ui/main_dialog.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/app_state.h"
#include "container/catalogue.h"
#include "container/substitution.h"
#include "print/print_job.h"
#include "resource.h"
#include "ui/confirm_dialog.h"
#include "ui/message_list.h"
#include "ui/progress.h"
#include "ui/usage_text.h"

namespace {

// The dialog thread's own work buffer for captions and questions; the worker
// formats its lines in textBuffer, never here.
char dialogBuffer[1024];

void SetCaption(HWND dialog, int id, uint32_t message) {
  snprintf(dialogBuffer, sizeof dialogBuffer, "%s", MessageText(message));
  OemToCharA(dialogBuffer, dialogBuffer);
  SetDlgItemTextA(dialog, id, dialogBuffer);
}

void EnableItem(HWND dialog, int id, BOOL enable) { EnableWindow(GetDlgItem(dialog, id), enable); }
void ShowItem(HWND dialog, int id, int command) { ShowWindow(GetDlgItem(dialog, id), command); }

// Moves the keyboard focus to a control the way the dialog manager does for
// Tab: an edit gets its text selected, a push button becomes the default.
// A control that is disabled loses the focus, and a dialog without a focus
// on Windows gets no keys at all (Escape no longer reaches it), so the focus
// moves before a focused button is disabled.
void FocusItem(HWND dialog, int id) {
  SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, id)), TRUE);
}

void CentreMainDialog(HWND dialog) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT rect;
  GetWindowRect(dialog, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  SetWindowPos(dialog, HWND_TOP, (screenWidth - width) / 2, (screenHeight - height) / 2, 0, 0,
               SWP_NOSIZE);
  SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, LB_SETHORIZONTALEXTENT, WPARAM(rect.right * 2), 0);
}

void FillDriveList(HWND dialog) {
  app.targetDrive[0] = 'A';
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    char root[4] = {letter, ':', '\\', '\0'};
    if (GetDriveTypeA(root) == DRIVE_REMOVABLE) {
      char entry[3] = {letter, ':', '\0'};
      SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_ADDSTRING, 0, (LPARAM)entry);
    }
  }
  SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_SETCURSEL, 0, 0);
}

// The letter of the chosen drive, or 0 when the list has no selection (no
// removable drive at all).
char ChosenDriveLetter(HWND dialog) {
  LRESULT index = SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return 0;
  char entry[64] = "";
  if (SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_GETLBTEXTLEN, WPARAM(index), 0) >= 3) return 0;
  SendDlgItemMessageA(dialog, IDC_DRIVE_LIST, CB_GETLBTEXT, WPARAM(index), (LPARAM)entry);
  return entry[0];
}

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

void InitialiseMainDialog(HWND dialog) {
  app.mainWindow = dialog;
  CentreMainDialog(dialog);
  static const struct {
    int id;
    uint32_t message;
  } captions[] = {{IDC_PROMPT, 74},        {IDC_DRIVE_LABEL, 75},   {IDC_HELP, 76},
                  {IDC_PASSWORD_LABEL, 77}, {IDC_PRINT_DATA, 78},   {IDC_PRINT_MESSAGE, 79},
                  {IDC_PRINT_LABEL, 80},   {IDC_QUIT, 81},          {IDC_CANCEL_RUN, 82},
                  {IDOK, 83},              {IDC_TEST_ONLY, 87}};
  for (const auto& caption : captions) SetCaption(dialog, caption.id, caption.message);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)LoadIconA(app.instance, MAKEINTRESOURCEA(IDI_DISKETTE_ARROW)));
  SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, kMaxPasswordLength, 0);
  SendDlgItemMessageA(dialog, IDC_MESSAGE_LIST, WM_SETFONT, (WPARAM)app.listFont, FALSE);
  ShowItem(dialog, IDC_PASSWORD_LABEL, SW_HIDE);
  ShowItem(dialog, IDC_PASSWORD, SW_HIDE);
  for (int id : {IDC_CANCEL_RUN, IDC_HELP, IDOK, IDC_TEST_ONLY}) EnableItem(dialog, id, FALSE);
  // There is nothing to print before the free texts have arrived.
  for (int id : {IDC_PRINT_LABEL, IDC_PRINT_MESSAGE, IDC_PRINT_DATA}) EnableItem(dialog, id, FALSE);
  HMENU systemMenu = GetSystemMenu(dialog, FALSE);
  RemoveMenu(systemMenu, SC_CLOSE, MF_BYCOMMAND);
  RemoveMenu(systemMenu, SC_MOVE, MF_BYCOMMAND);
  if (app.driveFromCommandLine == 0) {
    FillDriveList(dialog);
  } else {
    ShowItem(dialog, IDC_DRIVE_LIST, SW_HIDE);
    ShowItem(dialog, IDC_DRIVE_LABEL, SW_HIDE);
  }
  app.dialogThreadId = GetCurrentThreadId();
  ReleaseSemaphore(app.dialogInitSemaphore, 1, nullptr);
  app.operationRunning = 0;
}

// True when the typed password decodes the container's password field.
bool CheckTypedPassword(HWND dialog) {
  char typed[kMaxPasswordLength + 1] = "";
  GetDlgItemTextA(dialog, IDC_PASSWORD, typed, sizeof typed);
  UpperCasePassword(typed);
  if (!DeriveSubstitutionTable(app.containerFile, app.containerOffset, typed, app.substitutionTable))
    return false;
  return PasswordMatches(typed, app.freeTexts.entry[3], app.substitutionTable);
}

void StartRun(HWND dialog) {
  GetModuleFileNameA(nullptr, app.moduleFileName, kModuleFileNameSize);
  EndPrintJob();
  // A check and a conversion to an image file write no drive: they ask no
  // drive question and may run from the diskette they would restore.
  const bool writesDiskette = app.integrityCheck == 0 && app.imageFileName == nullptr;

  if (app.driveFromCommandLine == 0 && writesDiskette) {
    char letter = UpperCase(ChosenDriveLetter(dialog));
    if (letter == 0 && writesDiskette) {
      // No removable drive to write to: the dialog stays ready.
      snprintf(dialogBuffer, sizeof dialogBuffer, "%s", MessageText(59));
      AppendListLine(dialogBuffer);
      app.startRefusal = ERROR_INVALID_DRIVE;
      return;
    }
    if (letter != 'A') {
      char question[256];
      FormatMessageText(question, sizeof question, 92, "c", letter);
      if (AskConfirmation(dialog, MessageText(64), question) == 0) return;
    }
  }

  snprintf(dialogBuffer, sizeof dialogBuffer, "%s", MessageText(46));
  AppendListLine(dialogBuffer);

  if (app.passwordProtected) {
    if (!CheckTypedPassword(dialog)) {
      snprintf(dialogBuffer, sizeof dialogBuffer, "%s", MessageText(47));
      AppendListLine(dialogBuffer);
      // Back to the field, its text selected: the password typed again
      // replaces it, and its letters never reach the buttons' mnemonics.
      FocusItem(dialog, IDC_PASSWORD);
      return;
    }
  } else {
    DeriveSubstitutionTable(app.containerFile, app.containerOffset, nullptr, app.substitutionTable);
  }

  if (app.integrityCheck != 0) {
    app.targetDrive[0] = 'a';
  } else if (app.driveFromCommandLine == 0) {
    char letter = ChosenDriveLetter(dialog);
    if (letter != 0) app.targetDrive[0] = letter;
  }

  GetModuleFileNameA(nullptr, app.moduleFileName, kModuleFileNameSize);
  if (writesDiskette && UpperCase(app.moduleFileName[0]) == UpperCase(app.targetDrive[0])) {
    OemToCharA(MessageText(86), MessageText(86));
    MessageBoxA(dialog, MessageText(86), "ZOLT", MB_ICONHAND | MB_OK);
    FocusItem(dialog, IDC_QUIT);
    EnableItem(dialog, IDOK, FALSE);
    EnableItem(dialog, IDC_TEST_ONLY, FALSE);
    return;
  }

  // Going before the sink is let go: a short run may end before this
  // thread would get to it afterwards.
  app.operationRunning = kRunGoing;
  if (!ReleaseSemaphore(app.threadSemaphore, 1, nullptr)) {
    app.operationRunning = 0;  // the worker is gone or was let go already
    return;
  }
  EnableItem(dialog, IDC_CANCEL_RUN, TRUE);
  FocusItem(dialog, IDC_CANCEL_RUN);  // Escape keeps asking the stop question
  EnableItem(dialog, IDOK, FALSE);
  EnableItem(dialog, IDC_TEST_ONLY, FALSE);
  EnableItem(dialog, IDC_QUIT, FALSE);
}

// A stop acts on a run that is going and nothing else: before a run it
// would mark the next one as interrupted, after one it would turn its
// success into exit code 1. Without a run it only ends the print document
// (its page comes out). The run may end while the question is shown, so
// the answer is taken only if the run is still going then.
void RequestStop(HWND dialog) {
  if (app.operationRunning != kRunGoing) {
    EndPrintJob();
    return;
  }
  if (AskConfirmation(dialog, MessageText(60), MessageText(61)) != 1) return;
  int going = kRunGoing;
  if (!app.operationRunning.compare_exchange_strong(going, kRunStopping)) return;
  EndPrintJob();
  app.userStopped = 1;
  app.runStatus = 1;
  EnableItem(dialog, IDC_QUIT, TRUE);
  FocusItem(dialog, IDC_QUIT);
  EnableItem(dialog, IDC_CANCEL_RUN, FALSE);
}


}  // namespace

INT_PTR CALLBACK MainDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitialiseMainDialog(dialog);
      return 0;
    case WM_PAINT:
      DrawProgress(app.lastPercent, 100, 0);
      return 0;
    case kFocusPasswordMessage:
      FocusItem(dialog, IDC_PASSWORD);
      return 1;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          StartRun(dialog);
          return 0;
        case IDC_TEST_ONLY:
          app.integrityCheck = 1;
          EnableItem(dialog, IDOK, FALSE);
          StartRun(dialog);
          return 0;
        case IDC_CANCEL_RUN:
        case IDCANCEL:
          RequestStop(dialog);
          return 0;
        case IDC_QUIT:
          EndPrintJob();
          DeleteObject(app.listFont);
          app.listFont = nullptr;
          EndDialog(dialog, 0);
          return 1;
        case IDC_HELP:
          ListUsageText();
          return 0;
        case IDC_PRINT_LABEL:
          StartPrintThread(kPrintLabel);
          return 0;
        case IDC_PRINT_DATA:
          StartPrintThread(kPrintTechnicalData);
          return 0;
        case IDC_PRINT_MESSAGE:
          StartPrintThread(kPrintMessage);
          return 0;
        default:
          return 0;
      }
    default:
      return 0;
  }
}
