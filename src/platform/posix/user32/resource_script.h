// The program's resource script as the stand-in reads it. On Windows the
// resource compiler turns resources/zolt.rc into binary templates inside the
// executable; on POSIX the build embeds the script's text in the program
// (the same bytes, with resources/resource.h in place of its #include), and
// the dialog manager parses it at run time into the records below.
//
// The parser knows the subset of the .rc language that our script uses and
// no more: #define/#undef/#ifdef/#ifndef/#else/#endif, ICON resources, and
// DIALOG and DIALOGEX blocks with STYLE, EXSTYLE, CAPTION and FONT and the
// control statements CONTROL, LTEXT, PUSHBUTTON, DEFPUSHBUTTON, EDITTEXT,
// COMBOBOX, LISTBOX and ICON. Style expressions combine names and numbers
// with "|" and "NOT". Default styles are those windres gives, so that both
// builds run the same templates. Anything else is an error naming the line.
#ifndef ZOLT_PLATFORM_POSIX_RESOURCE_SCRIPT_H
#define ZOLT_PLATFORM_POSIX_RESOURCE_SCRIPT_H

#include <string>
#include <vector>

#include "platform/posix/windows.h"

// The embedded script text, generated at build time from resources/ and
// linked into the program beside its code: the program's resource section.
extern const char kResourceScript[];

enum ControlClass {
  kClassButton,
  kClassEdit,
  kClassStatic,
  kClassListBox,
  kClassComboBox,
};

struct ControlTemplate {
  int id;                     // -1 (65535 in a classic DIALOG) for the statics without one
  ControlClass controlClass;
  std::string text;           // the initial caption, Windows-1252 bytes
  int iconId;                 // an SS_ICON static: the icon resource it shows; else 0
  DWORD style;                // with WS_CHILD | WS_VISIBLE and the statement's defaults
  DWORD exStyle;
  int x, y, cx, cy;           // dialog units, relative to the dialog's client area
};

struct DialogTemplate {
  int id;
  bool extended;              // DIALOGEX; false for a classic DIALOG
  DWORD style;                // DS_SETFONT is added by FONT, WS_CAPTION by CAPTION
  DWORD exStyle;
  int x, y, cx, cy;           // dialog units; cx and cy are the client area's size
  std::string caption;
  std::string fontName;
  int fontSize;               // points
  std::vector<ControlTemplate> controls;  // in template order (the tab order)
};

struct IconResource {
  int id;
  std::string file;           // the .ico file named by the script
};

struct ResourceScript {
  std::vector<DialogTemplate> dialogs;
  std::vector<IconResource> icons;
};

// Parses a whole script. On failure returns false with "line N: what" in
// `error`; `script` then holds what was read before the error.
bool ParseResourceScript(const char* text, ResourceScript* script, std::string* error);

// kResourceScript, parsed on first use. The script is part of the program,
// so an error in it is loud (StandInUnsupported) rather than a failed call.
const ResourceScript& ProgramResources();
const DialogTemplate* FindDialogTemplate(int id);
const IconResource* FindIconResource(int id);

// The constants a script may name besides its own #defines: window, dialog
// and control styles and the standard command ids, with the values of our
// windows.h and user.h. False for an unknown name.
bool LookUpResourceName(const std::string& name, long* value);

#endif
