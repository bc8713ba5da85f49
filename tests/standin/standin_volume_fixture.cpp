// The shared part of the stand-in's volume tests.
#include "standin/standin_volume_fixture.h"

#include <algorithm>
#include <cstring>

#include "devices/device_trace.h"
#include "kernel32/standin.h"

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = uint8_t(i * 7 + i / 512 * 13 + seed * 31);
    if (bytes[i] == 0) bytes[i] = 0x5A;
  }
  return bytes;
}

void StandInVolumeTest::TearDown() {
  for (HANDLE h : open_) CloseHandle(h);
  std::string error;
  ParseDriveSetting(nullptr, &error);
  ParseWindowsSetting(nullptr, &error);
  SetDeviceTraceFile("");
}

void StandInVolumeTest::Drives(const std::string& setting) {
  std::string error;
  ASSERT_TRUE(ParseDriveSetting(setting.c_str(), &error)) << error;
}

void StandInVolumeTest::Windows(const char* setting) {
  std::string error;
  ASSERT_TRUE(ParseWindowsSetting(setting, &error)) << error;
}

HANDLE StandInVolumeTest::Open(const char* name, DWORD access) {
  HANDLE h = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) open_.push_back(h);
  return h;
}

void StandInVolumeTest::Close(HANDLE h) {
  EXPECT_TRUE(CloseHandle(h));
  open_.erase(std::find(open_.begin(), open_.end(), h));
}

namespace {

void Seek(HANDLE h, uint64_t position) {
  LONG high = LONG(position >> 32);
  ASSERT_EQ(DWORD(position), SetFilePointer(h, LONG(position), &high, FILE_BEGIN));
}

}  // namespace

Outcome WriteAt(HANDLE h, uint64_t position, const std::vector<uint8_t>& bytes) {
  Seek(h, position);
  Outcome o{};
  SetLastError(kUnset);
  o.ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &o.done, nullptr);
  o.error = GetLastError();
  return o;
}

Outcome ReadAt(HANDLE h, uint64_t position, std::vector<uint8_t>* bytes) {
  Seek(h, position);
  Outcome o{};
  SetLastError(kUnset);
  o.ok = ReadFile(h, bytes->data(), DWORD(bytes->size()), &o.done, nullptr);
  o.error = GetLastError();
  return o;
}

Outcome Control(HANDLE h, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) {
  Outcome o{};
  SetLastError(kUnset);
  o.ok = DeviceIoControl(h, code, const_cast<void*>(in), inSize, out, outSize, &o.done, nullptr);
  o.error = GetLastError();
  return o;
}

Outcome Format(HANDLE h, MEDIA_TYPE type, DWORD cylinder, DWORD head, DWORD lastCylinder,
               DWORD lastHead) {
  FORMAT_PARAMETERS p = {type, cylinder, std::max(cylinder, lastCylinder), head,
                         std::max(head, lastHead)};
  return Control(h, IOCTL_DISK_FORMAT_TRACKS, &p, sizeof p);
}

Outcome FormatEx(HANDLE h, MEDIA_TYPE type, DWORD cylinder, DWORD head,
                 const std::vector<WORD>& numbers) {
  std::vector<uint8_t> record(24 + 2 * numbers.size());
  FORMAT_PARAMETERS p = {type, cylinder, cylinder, head, head};
  const WORD gap = 0x1B, sectors = WORD(numbers.size());
  memcpy(record.data(), &p, sizeof p);
  memcpy(record.data() + 20, &gap, 2);
  memcpy(record.data() + 22, &sectors, 2);
  memcpy(record.data() + 24, numbers.data(), 2 * numbers.size());
  return Control(h, IOCTL_DISK_FORMAT_TRACKS_EX, record.data(), DWORD(record.size()));
}

Outcome Geometry(HANDLE h, DISK_GEOMETRY* g) {
  memset(g, 0xA5, sizeof *g);
  return Control(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, g, sizeof *g);
}

void ExpectOutcome(DWORD expectedError, const Outcome& o, const std::string& what) {
  if (expectedError == 0) {
    EXPECT_TRUE(o.ok) << what << " failed with " << o.error;
    EXPECT_EQ(kUnset, o.error) << what;
  } else {
    EXPECT_FALSE(o.ok) << what << " succeeded";
    EXPECT_EQ(expectedError, o.error) << what;
  }
}
