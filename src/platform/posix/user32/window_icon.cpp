// LoadIconA: the icons of the resource script's ICON lines. The stand-in
// shows no pictures, so an icon is its resource number; each resource has
// one handle for the life of the process, as a shared icon has on Windows.
#include <map>
#include <mutex>

#include "kernel32/standin.h"
#include "user32/window.h"

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr) StandInUnsupported("LoadIconA", "the system's icons (a null instance)");
  if (!IS_INTRESOURCE(name)) StandInUnsupported("LoadIconA", "an icon named by a string");
  int id = int(ULONG_PTR(name));
  if (FindIconResource(id) == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  static std::mutex lock;
  static std::map<int, HICON>* icons = new std::map<int, HICON>;
  std::lock_guard<std::mutex> hold(lock);
  HICON& icon = (*icons)[id];
  if (icon == nullptr) icon = new HICON__{id};
  return icon;
}
