// Which restorer `zolt-pack build` appends an image to: the Linux program
// `zolt` or the Windows program `zolt.exe`, looked for beside zolt-pack and
// where `cmake --install` puts the restorers of the other platform
// (PREFIX/lib/zolt, beside PREFIX/bin).
#ifndef ZOLT_PACK_RESTORER_SEARCH_H
#define ZOLT_PACK_RESTORER_SEARCH_H

#include <string>

enum class RestorerPlatform { kLinux, kWindows };

// "linux" or "windows" (letters in either case); false for anything else.
bool ParseRestorerPlatform(const std::string& name, RestorerPlatform* platform);

// The platform this zolt-pack was built for.
RestorerPlatform HostPlatform();

// The restorer's file name: "zolt" or "zolt.exe".
const char* RestorerFileName(RestorerPlatform platform);

// The places looked in, in order, for a zolt-pack at `programPath`.
void RestorerCandidates(RestorerPlatform platform, const std::string& programPath, std::string out[2]);

// The first candidate that is a file. False with `error` naming the places
// looked in and how to build the missing restorer.
bool FindRestorer(RestorerPlatform platform, const std::string& programPath, std::string* path,
                  std::string* error);

#endif
