// The names a resource script may use without defining them: the style and
// command constants of windows.h and user.h, which the resource compiler
// takes from the platform's headers. Only the constants of the stand-in's
// subset are here; a script naming another one fails to parse.
#include <cstring>

#include "user32/resource_script.h"

namespace {

#define NAME(constant) {#constant, long(constant)}

const struct {
  const char* name;
  long value;
} kNames[] = {
    NAME(IDOK), NAME(IDCANCEL), NAME(IDYES), NAME(IDNO),
    // Window styles
    NAME(WS_OVERLAPPED), NAME(WS_POPUP), NAME(WS_CHILD), NAME(WS_VISIBLE), NAME(WS_DISABLED),
    NAME(WS_CAPTION), NAME(WS_BORDER), NAME(WS_VSCROLL), NAME(WS_HSCROLL), NAME(WS_SYSMENU),
    NAME(WS_GROUP), NAME(WS_TABSTOP),
    NAME(WS_EX_DLGMODALFRAME), NAME(WS_EX_STATICEDGE), NAME(WS_EX_CLIENTEDGE),
    // Dialog styles
    NAME(DS_3DLOOK), NAME(DS_SETFONT), NAME(DS_MODALFRAME), NAME(DS_CENTER),
    // Control styles
    NAME(BS_PUSHBUTTON), NAME(BS_DEFPUSHBUTTON),
    NAME(ES_LEFT), NAME(ES_PASSWORD), NAME(ES_AUTOHSCROLL), NAME(ES_OEMCONVERT),
    NAME(SS_LEFT), NAME(SS_ICON),
    NAME(CBS_SIMPLE), NAME(CBS_DROPDOWN), NAME(CBS_DROPDOWNLIST), NAME(CBS_SORT),
    NAME(LBS_NOTIFY), NAME(LBS_SORT), NAME(LBS_NOINTEGRALHEIGHT),
};

#undef NAME

}  // namespace

bool LookUpResourceName(const std::string& name, long* value) {
  for (const auto& entry : kNames) {
    if (name == entry.name) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}
