#include "printing/print_libraries.h"

#include <dlfcn.h>
#include <stdio.h>

#include <mutex>

namespace {

// Opens `soname` for good (it stays loaded for the process); null, with
// the reason and its consequence said on standard error, when it cannot.
void* Open(const char* soname, const char* consequence) {
  void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    fprintf(stderr, "zolt: cannot load %s (%s): %s\n", soname, reason != nullptr ? reason : "not found",
            consequence);
  }
  return library;
}

// Sets `*slot` to the library's function `name`; false, said on standard
// error, when it has none.
template <typename Function>
bool Resolve(void* library, const char* soname, const char* consequence, const char* name, Function* slot) {
  void* address = dlsym(library, name);
  if (address == nullptr) {
    fprintf(stderr, "zolt: %s has no %s: %s\n", soname, name, consequence);
    return false;
  }
  *slot = reinterpret_cast<Function>(address);
  return true;
}

#define ZOLT_RESOLVE_FUNCTION(name) &&Resolve(library, soname, consequence, #name, &table->name)

bool LoadCups(CupsFunctions* table) {
  const char soname[] = "libcups.so.2";
  const char consequence[] = "only the file port is offered for printing";
  void* library = Open(soname, consequence);
  return library != nullptr ZOLT_CUPS_FUNCTIONS(ZOLT_RESOLVE_FUNCTION);
}

bool LoadCairo(CairoFunctions* table) {
  const char soname[] = "libcairo.so.2";
  const char consequence[] = "printers cannot be drawn on";
  void* library = Open(soname, consequence);
  return library != nullptr ZOLT_CAIRO_FUNCTIONS(ZOLT_RESOLVE_FUNCTION);
}

#undef ZOLT_RESOLVE_FUNCTION

}  // namespace

const CupsFunctions* CupsLibrary() {
  static std::once_flag once;
  static CupsFunctions table;
  static bool loaded = false;
  std::call_once(once, [] { loaded = LoadCups(&table); });
  return loaded ? &table : nullptr;
}

const CairoFunctions* CairoLibrary() {
  static std::once_flag once;
  static CairoFunctions table;
  static bool loaded = false;
  std::call_once(once, [] { loaded = LoadCairo(&table); });
  return loaded ? &table : nullptr;
}
