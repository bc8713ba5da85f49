// PrintDlgA and CommDlgExtendedError: the printer choice, shown as a modal
// dialog of the stand-in's own through the dialog manager, so that every
// front end shows it as it shows the program's dialogs. It offers the
// destinations of printing.h, the one given in hDevNames (else the
// default) chosen, and the number of copies.
//
// The copies field also takes a whole choice, which is how line mode
// answers the dialog with one line (it types the line into the dialog's
// field and presses Enter):
//   N                   N copies on the chosen printer
//   [PRINTER] [xN]      PRINTER (a name of the list, "FILE:" for the file
//                       port; none: the chosen one), N copies (default 1)
//   cancel              cancels the dialog
// A name that is not in the list, or copies outside 1 to 9999, are said in
// a message box and the dialog stays.
//
// Windows facts followed here:
// - lStructSize must be the record's size, else CDERR_STRUCTSIZE.
// - On success hDevMode and hDevNames are new moveable blocks (those given
//   are freed); on a cancel everything stays as it was and
//   CommDlgExtendedError answers 0.
// - Without PD_USEDEVMODECOPIESANDCOLLATE the caller makes the copies:
//   nCopies holds their number and dmCopies 1. With it the printer makes
//   them: dmCopies holds the number and nCopies 1.
// - CommDlgExtendedError tells of the calling thread's last common dialog.
#include <strings.h>

#include <cctype>
#include <cstring>

#include "kernel32/standin.h"
#include "printing/printing.h"
#include "user32/modal_dialog.h"
#include "user32/window.h"

namespace {

const int kPrinterList = 1139;  // combo box: the destinations
const int kPrinterNames = 1137;  // static: the destinations, named
const int kCopies = 1154;       // edit: the copies, or a whole choice
const int kMostCopies = 9999;

const char kDialogScript[] =
    "1 DIALOGEX 0, 0, 240, 78\n"
    "STYLE DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU\n"
    "CAPTION \"Print\"\n"
    "FONT 8, \"Helv\"\n"
    "BEGIN\n"
    "    LTEXT \"Printer:\", -1, 8, 8, 40, 8\n"
    "    COMBOBOX 1139, 50, 8, 182, 100, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP\n"
    "    LTEXT \"Copies:\", -1, 8, 26, 40, 8\n"
    "    EDITTEXT 1154, 50, 26, 40, 12, ES_AUTOHSCROLL\n"
    "    LTEXT \"\", 1137, 8, 42, 224, 8\n"
    "    DEFPUSHBUTTON \"OK\", IDOK, 126, 58, 50, 14\n"
    "    PUSHBUTTON \"Cancel\", IDCANCEL, 182, 58, 50, 14\n"
    "END\n";

const DialogTemplate& PrintDialogTemplate() {
  static const DialogTemplate* dialog = [] {
    ResourceScript script;
    std::string error;
    if (!ParseResourceScript(kDialogScript, &script, &error) || script.dialogs.size() != 1)
      StandInUnsupported("PrintDlgA", ("its own dialog template: " + error).c_str());
    return new DialogTemplate(script.dialogs[0]);  // never freed: dialogs refer to it
  }();
  return *dialog;
}

thread_local DWORD lastDialogError = 0;

// What the dialog works on: its destinations, and what was chosen.
struct PrintChoice {
  std::vector<PrintDestination> destinations;
  int chosen;  // index into destinations
  int copies;
};

// The one print dialog of the calling thread (it is modal).
thread_local PrintChoice* current = nullptr;

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool AllDigits(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!isdigit((unsigned char)c)) return false;
  return true;
}

std::string Names(const PrintChoice& choice) {
  std::string names;
  for (const PrintDestination& d : choice.destinations)
    names += (names.empty() ? "" : ", ") + d.name + (d.isDefault ? " (default)" : "");
  return names;
}

int FindDestination(const PrintChoice& choice, const std::string& name) {
  for (size_t i = 0; i < choice.destinations.size(); ++i)
    if (choice.destinations[i].name == name) return int(i);
  // CUPS takes its queue names in any case.
  for (size_t i = 0; i < choice.destinations.size(); ++i)
    if (strcasecmp(choice.destinations[i].name.c_str(), name.c_str()) == 0) return int(i);
  return -1;
}

// Reads the dialog's choice into `choice`; false, with the reason said,
// when it is not one.
bool ReadChoice(HWND dialog, PrintChoice* choice) {
  char buffer[512];
  GetDlgItemTextA(dialog, kCopies, buffer, sizeof buffer);
  std::string text = Trimmed(buffer);
  int chosen = int(SendDlgItemMessageA(dialog, kPrinterList, CB_GETCURSEL, 0, 0));
  long copies = 1;
  if (AllDigits(text)) {
    copies = atol(text.c_str());
  } else {
    // A trailing "xN": the copies.
    size_t mark = text.find_last_of("xX");
    if (mark != std::string::npos && (mark == 0 || text[mark - 1] == ' ' || text[mark - 1] == '\t') &&
        AllDigits(text.substr(mark + 1))) {
      copies = atol(text.c_str() + mark + 1);
      text = Trimmed(text.substr(0, mark));
    }
    if (!text.empty()) {
      chosen = FindDestination(*choice, text);
      if (chosen < 0) {
        std::string message = "There is no printer \"" + text + "\". The printers: " + Names(*choice) + ".";
        MessageBoxA(dialog, message.c_str(), "Print", MB_OK | MB_ICONHAND);
        return false;
      }
    }
  }
  if (copies < 1 || copies > kMostCopies) {
    MessageBoxA(dialog, "The number of copies must be between 1 and 9999.", "Print", MB_OK | MB_ICONHAND);
    return false;
  }
  if (chosen < 0 || size_t(chosen) >= choice->destinations.size()) return false;
  choice->chosen = chosen;
  choice->copies = int(copies);
  return true;
}

INT_PTR CALLBACK PrintDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  PrintChoice* choice = current;
  switch (message) {
    case WM_INITDIALOG:
      for (const PrintDestination& d : choice->destinations)
        SendDlgItemMessageA(dialog, kPrinterList, CB_ADDSTRING, 0, LPARAM(d.name.c_str()));
      SendDlgItemMessageA(dialog, kPrinterList, CB_SETCURSEL, WPARAM(choice->chosen), 0);
      SetDlgItemTextA(dialog, kCopies, std::to_string(choice->copies).c_str());
      SetDlgItemTextA(dialog, kPrinterNames, ("Printers: " + Names(*choice)).c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char buffer[16];
        GetDlgItemTextA(dialog, kCopies, buffer, sizeof buffer);
        if (strcasecmp(Trimmed(buffer).c_str(), "cancel") == 0)
          EndDialog(dialog, 0);
        else if (ReadChoice(dialog, choice))
          EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// The preselection: the printer that hDevNames names, else the default,
// else the first.
int InitialDestination(const PrintChoice& choice, HGLOBAL devNames) {
  if (devNames != nullptr) {
    const char* names = static_cast<const char*>(GlobalLock(devNames));
    if (names != nullptr) {
      const DEVNAMES* header = reinterpret_cast<const DEVNAMES*>(names);
      int found = FindDestination(choice, names + header->wDeviceOffset);
      GlobalUnlock(devNames);
      if (found >= 0) return found;
    }
  }
  for (size_t i = 0; i < choice.destinations.size(); ++i)
    if (choice.destinations[i].isDefault) return int(i);
  return 0;
}

int InitialCopies(const PRINTDLGA& request) {
  if (request.hDevMode != nullptr) {
    const DEVMODEA* mode = static_cast<const DEVMODEA*>(GlobalLock(request.hDevMode));
    if (mode != nullptr) {
      int copies = (mode->dmFields & DM_COPIES) ? mode->dmCopies : 0;
      GlobalUnlock(request.hDevMode);
      if (copies > 0) return copies;
    }
  }
  return request.nCopies > 0 ? request.nCopies : 1;
}

// The DEVNAMES block: the record, then "winspool", the device and the
// port, each ending in NUL.
HGLOBAL NewDevNames(const PrintDestination& d) {
  const char driver[] = "winspool";
  size_t size = sizeof(DEVNAMES) + sizeof driver + d.name.size() + 1 + d.port.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (block == nullptr) return nullptr;
  char* bytes = static_cast<char*>(GlobalLock(block));
  DEVNAMES* names = reinterpret_cast<DEVNAMES*>(bytes);
  names->wDriverOffset = WORD(sizeof(DEVNAMES));
  names->wDeviceOffset = WORD(names->wDriverOffset + sizeof driver);
  names->wOutputOffset = WORD(names->wDeviceOffset + d.name.size() + 1);
  names->wDefault = d.isDefault ? DN_DEFAULTPRN : 0;
  memcpy(bytes + names->wDriverOffset, driver, sizeof driver);
  memcpy(bytes + names->wDeviceOffset, d.name.c_str(), d.name.size() + 1);
  memcpy(bytes + names->wOutputOffset, d.port.c_str(), d.port.size() + 1);
  GlobalUnlock(block);
  return block;
}

HGLOBAL NewDevMode(const PrintDestination& d, int copies) {
  HGLOBAL block = GlobalAlloc(GHND, sizeof(DEVMODEA));
  if (block == nullptr) return nullptr;
  DEVMODEA* mode = static_cast<DEVMODEA*>(GlobalLock(block));
  strncpy(reinterpret_cast<char*>(mode->dmDeviceName), d.name.c_str(), CCHDEVICENAME - 1);
  mode->dmSpecVersion = DM_SPECVERSION;
  mode->dmSize = sizeof(DEVMODEA);
  mode->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_PRINTQUALITY |
                   DM_YRESOLUTION | DM_COLLATE;
  mode->dmOrientation = DMORIENT_PORTRAIT;
  // Hundredths of a millimetre to tenths.
  mode->dmPaperWidth = short(d.pageWidth / 10);
  mode->dmPaperLength = short(d.pageLength / 10);
  mode->dmPaperSize = mode->dmPaperWidth == 2100 && mode->dmPaperLength == 2970   ? DMPAPER_A4
                      : mode->dmPaperWidth == 2159 && mode->dmPaperLength == 2794 ? DMPAPER_LETTER
                                                                                  : DMPAPER_USER;
  mode->dmCopies = short(copies);
  mode->dmPrintQuality = short(d.dpiX);
  mode->dmYResolution = short(d.dpiY);
  mode->dmCollate = 1;  // DMCOLLATE_TRUE
  GlobalUnlock(block);
  return block;
}

BOOL Fail(DWORD error) {
  lastDialogError = error;
  return FALSE;
}

}  // namespace

DWORD CommDlgExtendedError(void) { return lastDialogError; }

BOOL PrintDlgA(LPPRINTDLGA request) {
  lastDialogError = 0;
  if (request == nullptr) StandInUnsupported("PrintDlgA", "a null record");
  if (request->lStructSize != sizeof(PRINTDLGA)) return Fail(CDERR_STRUCTSIZE);
  const DWORD known = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOWARNING |
                      PD_HIDEPRINTTOFILE | PD_DISABLEPRINTTOFILE;
  if ((request->Flags & ~known) != 0)
    StandInUnsupported("PrintDlgA", "flags other than PD_RETURNDC, PD_NOPAGENUMS, PD_NOSELECTION, "
                                    "PD_USEDEVMODECOPIESANDCOLLATE, PD_NOWARNING and the print-to-file ones");
  {
    UserHold hold(UserLock());
    if (request->hwndOwner != nullptr && LiveWindow(request->hwndOwner) == nullptr) return Fail(CDERR_DIALOGFAILURE);
  }

  PrintChoice choice;
  choice.destinations = ListPrintDestinations();
  choice.chosen = InitialDestination(choice, request->hDevNames);
  choice.copies = InitialCopies(*request);
  current = &choice;
  INT_PTR result = RunModalDialog(PrintDialogTemplate(), request->hwndOwner, PrintDialogProcedure, 0);
  current = nullptr;
  if (result == -1) return Fail(CDERR_DIALOGFAILURE);
  if (result == 0) return FALSE;  // cancelled: nothing changes

  const PrintDestination& chosen = choice.destinations[size_t(choice.chosen)];
  bool printerCopies = (request->Flags & PD_USEDEVMODECOPIESANDCOLLATE) != 0;
  int deviceCopies = printerCopies ? choice.copies : 1;
  HGLOBAL devMode = NewDevMode(chosen, deviceCopies);
  HGLOBAL devNames = NewDevNames(chosen);
  if (devMode == nullptr || devNames == nullptr) {
    if (devMode != nullptr) GlobalFree(devMode);
    if (devNames != nullptr) GlobalFree(devNames);
    return Fail(CDERR_MEMALLOCFAILURE);
  }
  HDC dc = nullptr;
  if (request->Flags & PD_RETURNDC) {
    dc = NewPrinterDC(chosen, deviceCopies);
    if (dc == nullptr) {  // the printer's driver cannot be used; the record stays as it was
      GlobalFree(devMode);
      GlobalFree(devNames);
      return Fail(PDERR_CREATEICFAILURE);
    }
  }
  if (request->hDevMode != nullptr) GlobalFree(request->hDevMode);
  if (request->hDevNames != nullptr) GlobalFree(request->hDevNames);
  request->hDevMode = devMode;
  request->hDevNames = devNames;
  request->nCopies = WORD(printerCopies ? 1 : choice.copies);
  if (request->Flags & PD_RETURNDC) request->hDC = dc;
  return TRUE;
}
