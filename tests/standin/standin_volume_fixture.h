// What the tests of the stand-in's volumes ("\\.\A:") share: a fixture
// that sets the drive table and closes the handles it opened, and the
// calls on a volume, each giving its result and the last error together
// (set to 0xdeadbeef first, as the Windows tests do).
#ifndef ZOLT_TESTS_STANDIN_VOLUME_FIXTURE_H
#define ZOLT_TESTS_STANDIN_VOLUME_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/windows.h"

constexpr DWORD kUnset = 0xdeadbeef;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

// Bytes that differ from track to track and from `seed` to seed, and are
// never all zero.
std::vector<uint8_t> Pattern(size_t size, uint8_t seed);

// The outcome of one call: its result and the last error it left.
struct Outcome {
  BOOL ok;
  DWORD error;  // kUnset when the call left it alone
  DWORD done;   // bytes moved or returned
};

class StandInVolumeTest : public testing::Test {
 protected:
  // Closes the handles still open, then puts back the machine's drives, NT
  // and no trace.
  void TearDown() override;

  void Drives(const std::string& setting);
  void Windows(const char* setting);

  // CreateFileA as the program opens a volume; the handle is closed at the
  // end of the test unless Close closes it before.
  HANDLE Open(const char* name = "\\\\.\\a:", DWORD access = kReadWrite);
  void Close(HANDLE h);

  std::vector<HANDLE> open_;
};

Outcome WriteAt(HANDLE h, uint64_t position, const std::vector<uint8_t>& bytes);
Outcome ReadAt(HANDLE h, uint64_t position, std::vector<uint8_t>* bytes);
Outcome Control(HANDLE h, DWORD code, const void* in = nullptr, DWORD inSize = 0,
                void* out = nullptr, DWORD outSize = 0);

// IOCTL_DISK_FORMAT_TRACKS of cylinders `cylinder` to `lastCylinder` and
// heads `head` to `lastHead` (each at least the first).
Outcome Format(HANDLE h, MEDIA_TYPE type, DWORD cylinder, DWORD head, DWORD lastCylinder = 0,
               DWORD lastHead = 0);

// IOCTL_DISK_FORMAT_TRACKS_EX of one track with these sector numbers.
Outcome FormatEx(HANDLE h, MEDIA_TYPE type, DWORD cylinder, DWORD head,
                 const std::vector<WORD>& numbers);

// IOCTL_DISK_GET_DRIVE_GEOMETRY into `g`, filled with a pattern first.
Outcome Geometry(HANDLE h, DISK_GEOMETRY* g);

// A failure with `error`, or a success that leaves the last error alone.
void ExpectOutcome(DWORD expectedError, const Outcome& o, const std::string& what);

#endif
