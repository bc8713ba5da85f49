// The message catalogue that zolt-pack puts into every container: the
// numbered texts that the restorer shows, looked up by number. The numbering
// is fixed (the restorer refers to texts by number only); the texts are kept
// here in UTF-8 and stored in code page 437.
#ifndef ZOLT_PACK_DEFAULT_CATALOGUE_H
#define ZOLT_PACK_DEFAULT_CATALOGUE_H

#include <cstdint>
#include <string>

constexpr uint32_t kDefaultCatalogueCount = 110;

// Message n of the catalogue in UTF-8, for n below kDefaultCatalogueCount.
const char* DefaultCatalogueText(uint32_t n);

// The catalogue record's string area: every message in code page 437 with
// its terminating NUL, back to back.
std::string DefaultCatalogueArea();

#endif
