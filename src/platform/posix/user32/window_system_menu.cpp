// The system menu of a dialog: GetSystemMenu and RemoveMenu. The menu is
// never drawn; it holds the commands that a person could still choose from
// it, so that removing "Move" and "Close" is kept and can be checked.
#include <algorithm>

#include "kernel32/standin.h"
#include "user32/window.h"

HMENU GetSystemMenu(HWND window, BOOL revert) {
  if (revert) StandInUnsupported("GetSystemMenu", "reverting the menu");
  UserHold hold(UserLock());
  HWND found = LiveWindow(window);
  if (found == nullptr) return nullptr;
  if (found->dialogRecord == nullptr) StandInUnsupported("GetSystemMenu", "a control's menu");
  // A window without WS_SYSMENU has no system menu.
  if (!(found->style & WS_SYSMENU)) return nullptr;
  DialogRecord* dialog = found->dialogRecord;
  if (dialog->systemMenu == nullptr) dialog->systemMenu = new HMENU__{found, {SC_MOVE, SC_CLOSE}};
  return dialog->systemMenu;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  if (flags != MF_BYCOMMAND) StandInUnsupported("RemoveMenu", "flags other than MF_BYCOMMAND");
  UserHold hold(UserLock());
  // The menu lives as long as its dialog.
  if (menu == nullptr || LiveWindow(menu->owner) == nullptr || menu->owner->dialogRecord->systemMenu != menu) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  auto found = std::find(menu->commands.begin(), menu->commands.end(), position);
  if (found == menu->commands.end()) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  menu->commands.erase(found);
  return TRUE;
}
