// The program's own resource script: kResourceScript, parsed once on first
// use and kept for the life of the process.
#include <mutex>

#include "kernel32/standin.h"
#include "user32/resource_script.h"

const ResourceScript& ProgramResources() {
  // Never destroyed: dialogs may still run on other threads while the
  // process ends.
  static ResourceScript* script = nullptr;
  static std::once_flag parsed;
  std::call_once(parsed, [] {
    script = new ResourceScript;
    std::string error;
    if (!ParseResourceScript(kResourceScript, script, &error))
      StandInUnsupported("the resource script", error.c_str());
  });
  return *script;
}

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& dialog : ProgramResources().dialogs)
    if (dialog.id == id) return &dialog;
  return nullptr;
}

const IconResource* FindIconResource(int id) {
  for (const IconResource& icon : ProgramResources().icons)
    if (icon.id == id) return &icon;
  return nullptr;
}
