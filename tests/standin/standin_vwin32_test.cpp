// The stand-in's VWIN32 service (Windows 9x): the request and register
// conventions, the BIOS statuses and DOS errors for each condition of the
// medium, device parameters set and got, a track formatted in the layout
// set for it and written and read back at the right cylinder, head and
// sector, the volume locks, and the 32-bit address table. The service runs
// over a medium of the test's own (a record over memory) put into the
// drive table's drives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "devices/device_trace.h"
#include "devices/disk_medium.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"
#include "vwin32/vwin32_service.h"

namespace {

// A medium over memory: formatted tracks with their sector numbers and
// contents, or a large medium's bytes; its conditions set by the test.
struct FakeMedium {
  DiskMedium medium{};
  bool empty = false;
  bool readonly = false;
  bool large = false;
  DiskLayout layout{};  // what the drive reads the medium in; zeros: blank
  std::map<std::pair<int, int>, std::vector<uint16_t>> tracks;  // formatted: their numbers
  std::map<std::tuple<int, int, int>, std::vector<uint8_t>> sectors;
  uint64_t size = 0;           // large medium: its size
  std::vector<uint8_t> bytes;  // and its first bytes
  DWORD trackError = 0;        // every transfer fails with it (a failing track)
  DWORD lockError = 0;
  int locked = 0;  // lock calls less unlock calls
  std::vector<std::string> formats;  // "C/H spt/heads/cylinders n,n,..."
};

FakeMedium* Of(DiskMedium* medium) { return static_cast<FakeMedium*>(medium->state); }

DWORD FindSectors(FakeMedium* f, int cylinder, int head, int sector, int count) {
  if (f->empty) return ERROR_NOT_READY;
  auto track = f->tracks.find({cylinder, head});
  if (track == f->tracks.end()) return ERROR_SECTOR_NOT_FOUND;
  for (int n = sector; n < sector + count; ++n) {
    const std::vector<uint16_t>& numbers = track->second;
    bool found = false;
    for (uint16_t number : numbers) found = found || number == n;
    if (!found) return ERROR_SECTOR_NOT_FOUND;
  }
  return 0;
}

const MediumMethods kFakeMethods = {
    [](DiskMedium* m, MediumInfo* info) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->empty) return ERROR_NOT_READY;
      *info = {f->large, f->size, f->layout};
      return 0;
    },
    [](DiskMedium* m, DriveInfo* info) {  // the drive of the table's entry
      *info = DriveInfo{!Of(m)->large, false, m->drive->disketteDrive, {}};
    },
    [](DiskMedium* m, int c, int h, int s, int count, Density, void* buffer) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->trackError != 0 && !f->empty) return f->trackError;
      if (DWORD error = FindSectors(f, c, h, s, count)) return error;
      for (int i = 0; i < count; ++i)
        memcpy((uint8_t*)buffer + 512 * i, f->sectors[{c, h, s + i}].data(), 512);
      return 0;
    },
    [](DiskMedium* m, int c, int h, int s, int count, Density, const void* buffer) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->empty) return ERROR_NOT_READY;
      if (f->readonly) return ERROR_WRITE_PROTECT;
      if (f->trackError != 0) return f->trackError;
      if (DWORD error = FindSectors(f, c, h, s, count)) return error;
      for (int i = 0; i < count; ++i)
        memcpy(f->sectors[{c, h, s + i}].data(), (const uint8_t*)buffer + 512 * i, 512);
      return 0;
    },
    [](DiskMedium* m, int c, int h, const DiskLayout& layout, const uint16_t* numbers,
       int count) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->empty) return ERROR_NOT_READY;
      if (f->readonly) return ERROR_WRITE_PROTECT;
      std::string record = std::to_string(c) + "/" + std::to_string(h) + " " +
                           std::to_string(layout.sectorsPerTrack) + "/" +
                           std::to_string(layout.heads) + "/" + std::to_string(layout.cylinders);
      for (int i = 0; i < count; ++i) record += (i == 0 ? " " : ",") + std::to_string(numbers[i]);
      f->formats.push_back(record);
      f->layout = layout;
      f->tracks[{c, h}] = std::vector<uint16_t>(numbers, numbers + count);
      for (int i = 0; i < count; ++i) f->sectors[{c, h, numbers[i]}].assign(512, 0xF6);
      return 0;
    },
    [](DiskMedium* m, uint64_t offset, void* buffer, uint32_t length, uint32_t* done) -> DWORD {
      FakeMedium* f = Of(m);
      *done = offset >= f->bytes.size() ? 0 : uint32_t(std::min<uint64_t>(length, f->bytes.size() - offset));
      if (*done) memcpy(buffer, f->bytes.data() + offset, *done);
      return 0;
    },
    [](DiskMedium* m, uint64_t offset, const void* buffer, uint32_t length,
       uint32_t* done) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->readonly) return ERROR_WRITE_PROTECT;
      *done = offset >= f->bytes.size() ? 0 : uint32_t(std::min<uint64_t>(length, f->bytes.size() - offset));
      if (*done) memcpy(f->bytes.data() + offset, buffer, *done);
      return 0;
    },
    [](DiskMedium* m) -> DWORD {
      FakeMedium* f = Of(m);
      if (f->lockError != 0) return f->lockError;
      f->locked++;
      return 0;
    },
    [](DiskMedium* m) { Of(m)->locked--; },
    [](DiskMedium*) {},
    [](DiskMedium*) {},  // the test owns the record
};

// A fresh medium in the record's place (the drive keeps the record).
void Renew(FakeMedium* f) {
  DriveEntry* drive = f->medium.drive;
  *f = FakeMedium();
  f->medium = {&kFakeMethods, drive, f};
}

// Every track formatted in `layout`, sectors 1 to n, each sector filled
// with a byte of its own place.
void FormatWhole(FakeMedium* f, DiskLayout layout) {
  f->layout = layout;
  for (int c = 0; c < layout.cylinders; ++c)
    for (int h = 0; h < layout.heads; ++h) {
      std::vector<uint16_t>& numbers = f->tracks[{c, h}];
      for (int s = 1; s <= layout.sectorsPerTrack; ++s) {
        numbers.push_back(uint16_t(s));
        f->sectors[{c, h, s}].assign(512, uint8_t(c * 7 + h * 3 + s));
      }
    }
}

constexpr DiskLayout k144 = {18, 2, 80};
constexpr DiskLayout k720 = {9, 2, 80};

// DEVICEPARAMS: special functions, device type, attributes, cylinders,
// media type, the BPB at 7, the track layout at 38.
std::vector<uint8_t> DeviceParams(uint8_t special, int spt, int heads, int cylinders,
                                  std::vector<uint16_t> numbers) {
  std::vector<uint8_t> p(296, 0xA5);
  auto put16 = [&](int at, int v) { p[at] = uint8_t(v), p[at + 1] = uint8_t(v >> 8); };
  p[0] = special, p[1] = 7;
  put16(2, 2), put16(4, cylinders), p[6] = 0;
  put16(7, 512), p[9] = 2, put16(10, 1), p[12] = 2, put16(13, 112);
  put16(15, spt * heads * cylinders), p[17] = 0xF9, put16(18, 3);
  put16(20, spt), put16(22, heads), put16(24, 0), put16(26, 0), put16(28, 0), put16(30, 0);
  put16(38, int(numbers.size()));
  for (size_t i = 0; i < numbers.size(); ++i) put16(40 + 4 * int(i), numbers[i]), put16(42 + 4 * int(i), 512);
  return p;
}

uint16_t U16(const std::vector<uint8_t>& p, int at) { return uint16_t(p[at] | p[at + 1] << 8); }
uint32_t U32(const std::vector<uint8_t>& p, int at) { return U16(p, at) | uint32_t(U16(p, at + 2)) << 16; }

DIOC_REGISTERS Ioctl(DWORD drive, uint8_t minor, DWORD edx) {
  DIOC_REGISTERS r{};
  r.reg_EAX = 0x440D, r.reg_EBX = drive, r.reg_ECX = 0x0800u + minor, r.reg_EDX = edx;
  r.reg_Flags = CARRY_FLAG;
  return r;
}

DIOC_REGISTERS Int13(int function, int count, int cylinder, int head, int sector, int drive,
                     DWORD buffer) {
  DIOC_REGISTERS r{};
  r.reg_EAX = DWORD(function << 8 | count), r.reg_EBX = buffer;
  r.reg_ECX = DWORD(cylinder << 8 | sector), r.reg_EDX = DWORD(head << 8 | drive);
  r.reg_Flags = CARRY_FLAG;
  return r;
}

DIOC_REGISTERS Absolute(DWORD drive, DISKIO* io, bool write) {
  DIOC_REGISTERS r{};
  r.reg_EAX = 0x7305, r.reg_EBX = Vwin32Address(io), r.reg_ECX = 0xFFFFFFFFu;
  r.reg_EDX = drive, r.reg_ESI = write ? 0x6001 : 0;
  r.reg_Flags = CARRY_FLAG;
  return r;
}

// The drives: A: a diskette drive (its image file missing: a 1.44M drive),
// B: a 2.88M diskette (in a 2.88M drive), C: a hard disk, D: a large
// removable medium, E: a 360K diskette (in a 1.2M drive), G: a 360K drive,
// H: a 720K drive. F: is no drive.
const char kDrives[] =
    "a:=floppy:/nonexistent/a.img;b:=floppy:/nonexistent/b.img,format=2.88m;c:=fixed;"
    "d:=removable:/nonexistent/d.img;e:=floppy:/nonexistent/e.img,format=360k;"
    "g:=floppy,empty,drive=360k;h:=floppy,empty,drive=720k";

class StandInVwin32 : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting("9x", &error)) << error;
    ASSERT_TRUE(ParseDriveSetting(kDrives, &error)) << error;
    for (char letter : {'A', 'B', 'D', 'E'}) {
      Renew(&fakes_[letter]);
      SetDriveMedium(letter, &fakes_[letter].medium);
    }
    fakes_['D'].large = true;
    fakes_['D'].size = 100 << 20;
    service_ = OpenVwin32Service();
    ASSERT_NE(nullptr, service_);
  }
  void TearDown() override {
    CloseVwin32Service(service_);
    std::string error;
    ParseDriveSetting(nullptr, &error);  // closes the media records and what DOS knew
    ParseWindowsSetting("nt", &error);
    SetDeviceTraceFile("");
  }

  // One request with the same record in and out; it must be taken.
  void Call(DWORD code, DIOC_REGISTERS* regs) {
    DWORD returned = 0;
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(Vwin32Request(service_, code, regs, sizeof *regs, regs, sizeof *regs, &returned))
        << "error " << GetLastError();
    EXPECT_EQ(sizeof *regs, returned);
  }
  bool Carry(const DIOC_REGISTERS& r) { return (r.reg_Flags & CARRY_FLAG) != 0; }

  std::map<char, FakeMedium> fakes_;
  void* service_ = nullptr;
};

}  // namespace

TEST_F(StandInVwin32, OnlyWindows9xHasTheService) {
  std::string error;
  ASSERT_TRUE(ParseWindowsSetting("nt", &error));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(nullptr, OpenVwin32Service());
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(StandInVwin32, RequestsTheServiceCannotTake) {
  DIOC_REGISTERS regs = Int13(0, 0, 0, 0, 0, 0, 0);
  struct Case {
    DWORD code;
    void* in;
    DWORD inSize;
    void* out;
    DWORD outSize;
    DWORD error;
  } cases[] = {
      {0, &regs, 28, &regs, 28, ERROR_NOT_SUPPORTED},
      {7, &regs, 28, &regs, 28, ERROR_NOT_SUPPORTED},
      {VWIN32_DIOC_DOS_INT13, &regs, 27, &regs, 28, ERROR_INVALID_PARAMETER},
      {VWIN32_DIOC_DOS_INT13, &regs, 28, &regs, 20, ERROR_INVALID_PARAMETER},
      {VWIN32_DIOC_DOS_IOCTL, nullptr, 0, &regs, 28, ERROR_INVALID_PARAMETER},
      {VWIN32_DIOC_DOS_DRIVEINFO, &regs, 28, nullptr, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    DWORD returned = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Vwin32Request(service_, c.code, c.in, c.inSize, c.out, c.outSize, &returned))
        << "code " << c.code << " sizes " << c.inSize << "/" << c.outSize;
    EXPECT_EQ(c.error, GetLastError()) << "code " << c.code;
    EXPECT_EQ(0u, returned);
    EXPECT_EQ(DWORD(CARRY_FLAG), regs.reg_Flags) << "the record is left alone";
  }
}

namespace {

// The conditions of drive A:'s medium in the tables below: a 1.44M
// diskette, unformatted, missing, write-protected, or whose every transfer
// fails as a damaged track, a track laid down above the medium's density,
// one at a density the drive has no data rate for, or one beyond the
// head's reach does.
enum Medium { kGood, kBlank, kEmpty, kReadonly, kFailing, kUnreadable, kOtherRate, kUnreachable };

void Prepare(FakeMedium* a, Medium medium) {
  const DWORD faults[] = {0, 0, 0, 0, ERROR_WRITE_FAULT, ERROR_CRC, ERROR_NOT_DOS_DISK, ERROR_SEEK};
  Renew(a);
  if (medium != kBlank) FormatWhole(a, k144);
  a->empty = medium == kEmpty;
  a->readonly = medium == kReadonly;
  a->trackError = faults[medium];
}

}  // namespace

TEST_F(StandInVwin32, BiosStatuses) {
  struct Case {
    const char* name;
    Medium medium;
    int function, count, cylinder, head, sector, drive;
    bool carry;
    DWORD ax;  // AH status, AL sectors moved
  } cases[] = {
      {"read", kGood, 2, 2, 5, 1, 17, 0, false, 0x0002},
      {"write", kGood, 3, 18, 79, 1, 1, 0, false, 0x0012},
      {"verify", kGood, 4, 1, 0, 0, 1, 0, false, 0x0001},
      {"reset, no diskette", kEmpty, 0, 0, 0, 0, 0, 0, false, 0x0000},
      {"read, no diskette", kEmpty, 2, 1, 0, 0, 1, 0, true, 0x8000},
      {"verify, no diskette", kEmpty, 4, 1, 0, 0, 1, 0, true, 0x8000},
      {"write, protected", kReadonly, 3, 1, 0, 0, 1, 0, true, 0x0300},
      {"read, blank", kBlank, 2, 1, 0, 0, 1, 0, true, 0x0400},
      {"write, blank", kBlank, 3, 1, 0, 0, 1, 0, true, 0x0400},
      {"read past the track", kGood, 2, 2, 0, 0, 18, 0, true, 0x0400},
      {"sector 0", kGood, 2, 1, 0, 0, 0, 0, true, 0x0400},
      {"failing track", kFailing, 3, 1, 3, 0, 1, 0, true, 0x0200},
      {"no read back", kUnreadable, 2, 1, 3, 0, 1, 0, true, 0x1000},
      {"verify, no read back", kUnreadable, 4, 1, 3, 0, 1, 0, true, 0x1000},
      {"a rate the drive lacks", kOtherRate, 2, 1, 3, 0, 1, 0, true, 0x0C00},
      {"beyond the reach", kUnreachable, 3, 1, 3, 0, 1, 0, true, 0x4000},
      {"no sectors", kGood, 2, 0, 0, 0, 1, 0, true, 0x0100},
      {"hard disk C:", kGood, 2, 1, 0, 0, 1, 2, true, 0x0100},
      {"no drive F:", kGood, 2, 1, 0, 0, 1, 5, true, 0x0100},
      {"large medium D:", kGood, 2, 1, 0, 0, 1, 3, true, 0x0100},
  };
  std::vector<uint8_t> buffer(18 * 512, 0x5A);
  for (const Case& c : cases) {
    Prepare(&fakes_['A'], c.medium);
    DIOC_REGISTERS regs = Int13(c.function, c.count, c.cylinder, c.head, c.sector, c.drive,
                                Vwin32Address(buffer.data()));
    regs.reg_EAX |= 0x12340000;  // the upper half is the caller's
    Call(VWIN32_DIOC_DOS_INT13, &regs);
    EXPECT_EQ(c.carry, Carry(regs)) << c.name;
    EXPECT_EQ(0x12340000u | c.ax, regs.reg_EAX) << c.name;
  }
  // What the read and the write moved.
  FakeMedium& a = fakes_['A'];
  Renew(&a);
  FormatWhole(&a, k144);
  DIOC_REGISTERS read = Int13(2, 2, 5, 1, 17, 0, Vwin32Address(buffer.data()));
  Call(VWIN32_DIOC_DOS_INT13, &read);
  EXPECT_EQ((a.sectors[{5, 1, 17}]), std::vector<uint8_t>(buffer.begin(), buffer.begin() + 512));
  EXPECT_EQ((a.sectors[{5, 1, 18}]),
            std::vector<uint8_t>(buffer.begin() + 512, buffer.begin() + 1024));
  std::vector<uint8_t> data(512, 0x3C);
  DIOC_REGISTERS write = Int13(3, 1, 79, 0, 9, 0, Vwin32Address(data.data()));
  Call(VWIN32_DIOC_DOS_INT13, &write);
  EXPECT_EQ(data, (a.sectors[{79, 0, 9}]));
}

TEST_F(StandInVwin32, DosErrors) {
  enum Request { kRead, kWrite, kFormat };
  struct Case {
    const char* name;
    Medium medium;
    Request request;
    DWORD drive;
    uint32_t start;  // format: cylinder * 2 + head
    uint16_t count;
    uint16_t error;  // 0: carry clear
  } cases[] = {
      {"read", kGood, kRead, 1, 0, 36, 0},
      {"write", kGood, kWrite, 1, 2878, 2, 0},
      {"format", kBlank, kFormat, 1, 3, 0, 0},
      {"read, no diskette", kEmpty, kRead, 1, 0, 1, 21},
      {"write, no diskette", kEmpty, kWrite, 1, 0, 1, 21},
      {"format, no diskette", kEmpty, kFormat, 1, 0, 0, 21},
      {"write, protected", kReadonly, kWrite, 1, 0, 1, 19},
      {"format, protected", kReadonly, kFormat, 1, 0, 0, 19},
      {"read, blank", kBlank, kRead, 1, 0, 1, 27},
      {"past the end", kGood, kRead, 1, 2879, 2, 27},
      {"failing track", kFailing, kWrite, 1, 40, 1, 29},
      {"no read back", kUnreadable, kRead, 1, 40, 1, 23},
      {"a rate the drive lacks", kOtherRate, kWrite, 1, 40, 1, 26},
      {"beyond the reach", kUnreachable, kRead, 1, 40, 1, 25},
      {"hard disk C:", kGood, kRead, 3, 0, 1, 15},
      {"no drive F:", kGood, kRead, 6, 0, 1, 15},
      {"format, no drive", kGood, kFormat, 6, 0, 0, 15},
  };
  std::vector<uint8_t> buffer(36 * 512);
  for (const Case& c : cases) {
    Prepare(&fakes_['A'], c.medium);
    DIOC_REGISTERS regs;
    DISKIO io{c.start, c.count, Vwin32Address(buffer.data())};
    uint8_t track[5] = {0, uint8_t(c.start % 2), 0, uint8_t(c.start / 2), 0};
    if (c.request == kFormat) {
      regs = Ioctl(c.drive, 0x42, Vwin32Address(track));
      Call(VWIN32_DIOC_DOS_IOCTL, &regs);
    } else {
      regs = Absolute(c.drive, &io, c.request == kWrite);
      Call(VWIN32_DIOC_DOS_DRIVEINFO, &regs);
    }
    EXPECT_EQ(c.error != 0, Carry(regs)) << c.name;
    if (c.error != 0) {
      EXPECT_EQ(c.error, regs.reg_EAX) << c.name;
    }
  }
  // A head beyond the layout DOS holds: no such track.
  FakeMedium& a = fakes_['A'];
  Renew(&a);
  FormatWhole(&a, {9, 1, 40});
  uint8_t track[5] = {0, 1, 0, 0, 0};
  DIOC_REGISTERS regs = Ioctl(1, 0x42, Vwin32Address(track));
  Call(VWIN32_DIOC_DOS_IOCTL, &regs);
  EXPECT_TRUE(Carry(regs));
  EXPECT_EQ(27u, regs.reg_EAX);
  EXPECT_TRUE(a.formats.empty());
}

// The way a diskette is written in another format: the parameters for the
// medium and the drive's defaults set, a track formatted in them, and
// absolute sectors written and read at the cylinder, head and sector of
// that layout. The trace shows each request.
TEST_F(StandInVwin32, SetParametersFormatAndTransfer) {
  TempDir dir;
  SetDeviceTraceFile(dir / "trace");
  SetVwin32ServiceHandle(service_, HANDLE(uintptr_t(0x48)));
  FakeMedium& a = fakes_['A'];  // blank
  const std::vector<uint16_t> interleaved = {1, 6, 2, 7, 3, 8, 4, 9, 5};
  for (uint8_t special : {5, 4}) {
    std::vector<uint8_t> params = DeviceParams(special, 9, 2, 80, interleaved);
    DIOC_REGISTERS set = Ioctl(1, 0x40, Vwin32Address(params.data()));
    Call(VWIN32_DIOC_DOS_IOCTL, &set);
    ASSERT_FALSE(Carry(set)) << "special " << int(special) << ": error " << set.reg_EAX;
  }
  for (int track : {5, 6}) {  // cylinder 2 head 1, cylinder 3 head 0
    uint8_t block[5] = {0, uint8_t(track % 2), 0, uint8_t(track / 2), 0};
    DIOC_REGISTERS format = Ioctl(1, 0x42, Vwin32Address(block));
    Call(VWIN32_DIOC_DOS_IOCTL, &format);
    ASSERT_FALSE(Carry(format)) << "track " << track << ": error " << format.reg_EAX;
  }
  EXPECT_EQ((std::vector<std::string>{"2/1 9/2/80 1,6,2,7,3,8,4,9,5", "3/0 9/2/80 1,6,2,7,3,8,4,9,5"}),
            a.formats);

  // Sector 48 is the fourth of cylinder 2, head 1; eight sectors run on to
  // the second of cylinder 3, head 0.
  std::vector<uint8_t> data(8 * 512);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + i / 512);
  DISKIO io{48, 8, Vwin32Address(data.data())};
  DIOC_REGISTERS write = Absolute(1, &io, true);
  Call(VWIN32_DIOC_DOS_DRIVEINFO, &write);
  ASSERT_FALSE(Carry(write)) << "error " << write.reg_EAX;
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 512), (a.sectors[{2, 1, 4}]));
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 7 * 512, data.end()), (a.sectors[{3, 0, 2}]));

  std::vector<uint8_t> back(8 * 512, 0);
  io = {48, 8, Vwin32Address(back.data())};
  DIOC_REGISTERS read = Absolute(1, &io, false);
  Call(VWIN32_DIOC_DOS_DRIVEINFO, &read);
  ASSERT_FALSE(Carry(read)) << "error " << read.reg_EAX;
  EXPECT_EQ(data, back);
  DIOC_REGISTERS bios = Int13(2, 2, 3, 0, 1, 0, Vwin32Address(back.data()));
  Call(VWIN32_DIOC_DOS_INT13, &bios);
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 6 * 512, data.end()),
            std::vector<uint8_t>(back.begin(), back.begin() + 1024));

  std::vector<uint8_t> trace;
  ASSERT_TRUE(ReadWholeFile(dir / "trace", &trace));
  const std::string text(trace.begin(), trace.end());
  for (const std::string& line : {
           std::string(" code=VWIN32_DIOC_DOS_IOCTL in:EAX=0x440d EBX=0x1 ECX=0x840 "),
           std::string(" ESI=0x0 Flags=0x1 special=5 spt=9 heads=2 cylinders=80 total=1440 "
                       "layout=9 out:EAX=0x440d "),
           std::string(" Flags=0x1 head=1 cylinder=2 out:"),
           std::string(" ESI=0x6001 Flags=0x1 start=48 count=8 write=1 out:EAX=0x7305 "),
           std::string(" Flags=0x1 function=2 cylinder=3 head=0 sector=1 count=2 out:EAX=0x2 "),
       }) {
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\nin\n" << text;
  }
  EXPECT_EQ(0u, text.find("DeviceIoControl handle=0x48 code=VWIN32_DIOC_DOS_IOCTL in:"));
  size_t lines = 0;
  for (size_t at = text.find(" result=1\n"); at != std::string::npos; at = text.find(" result=1\n", at + 1))
    ++lines;
  EXPECT_EQ(7u, lines) << text;
}

// Get Device Parameters: the drive's defaults (special functions 0) and the
// medium's (1), over a block pre-filled as a caller fills it.
TEST_F(StandInVwin32, GetDeviceParameters) {
  struct Case {
    const char* name;
    char letter;
    DiskLayout medium;  // zeros: blank
    bool empty;
    uint8_t set;  // Set Device Parameters (720K) first, with these special functions; 0: none
    uint8_t special;
    uint16_t error;
    uint8_t type;
    uint16_t cylinders, spt, heads, total16;
    uint32_t total32;
    uint8_t mediaType;
  } cases[] = {
      {"1.44M drive", 'A', {}, false, 0, 0, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"1.44M drive, blank medium", 'A', {}, false, 0, 1, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"1.44M drive, no diskette", 'A', {}, true, 0, 0, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"no diskette", 'A', {}, true, 0, 1, 21, 0, 0, 0, 0, 0, 0, 0},
      {"720K medium", 'A', k720, false, 0, 1, 0, 7, 80, 9, 2, 1440, 0, 1},
      {"720K medium, the drive", 'A', k720, false, 0, 0, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"defaults set", 'A', {}, false, 4, 0, 0, 7, 80, 9, 2, 1440, 0, 0},
      {"defaults set, the medium", 'A', k144, false, 4, 1, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"medium's set", 'A', k144, false, 5, 1, 0, 7, 80, 9, 2, 1440, 0, 0},
      {"medium's set, the drive", 'A', {}, false, 5, 0, 0, 7, 80, 18, 2, 2880, 0, 0},
      {"2.88M drive", 'B', {}, false, 0, 0, 0, 9, 80, 36, 2, 5760, 0, 0},
      {"1.2M drive", 'E', {}, false, 0, 0, 0, 1, 80, 15, 2, 2400, 0, 0},
      {"360K drive", 'G', {}, false, 0, 0, 0, 0, 40, 9, 2, 720, 0, 0},
      {"720K drive", 'H', {}, false, 0, 0, 0, 2, 80, 9, 2, 1440, 0, 0},
      {"360K medium", 'E', {9, 2, 40}, false, 0, 1, 0, 1, 40, 9, 2, 720, 0, 1},
      {"large medium", 'D', {}, false, 0, 0, 0, 7, 100, 32, 64, 0, 204800, 0},
      {"large medium, the medium", 'D', {}, false, 0, 1, 0, 7, 100, 32, 64, 0, 204800, 0},
      {"large drive, no medium", 'D', {}, true, 0, 0, 21, 0, 0, 0, 0, 0, 0, 0},
      {"hard disk", 'C', {}, false, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0},
      {"no drive", 'F', {}, false, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(kDrives, &error)) << error;  // DOS starts afresh
    FakeMedium& f = fakes_[c.letter];
    Renew(&f);
    f.large = c.letter == 'D';
    if (f.large) f.size = 100 << 20;
    if (c.medium.sectorsPerTrack != 0) FormatWhole(&f, c.medium);
    f.empty = c.empty;
    if (c.letter != 'C' && c.letter != 'F') SetDriveMedium(c.letter, &f.medium);
    const DWORD drive = DWORD(c.letter - '@');
    if (c.set != 0) {
      std::vector<uint8_t> params = DeviceParams(c.set, 9, 2, 80, {});
      DIOC_REGISTERS set = Ioctl(drive, 0x40, Vwin32Address(params.data()));
      Call(VWIN32_DIOC_DOS_IOCTL, &set);
      ASSERT_FALSE(Carry(set)) << c.name;
    }
    std::vector<uint8_t> block = DeviceParams(c.special, 36, 2, 80, std::vector<uint16_t>(36, 1));
    DIOC_REGISTERS get = Ioctl(drive, 0x60, Vwin32Address(block.data()));
    Call(VWIN32_DIOC_DOS_IOCTL, &get);
    EXPECT_EQ(c.error != 0, Carry(get)) << c.name;
    if (c.error != 0) {
      EXPECT_EQ(c.error, get.reg_EAX) << c.name;
      continue;
    }
    EXPECT_EQ(c.type, block[1]) << c.name;
    EXPECT_EQ(2, U16(block, 2)) << c.name << ": removable, with a change line";
    EXPECT_EQ(c.cylinders, U16(block, 4)) << c.name;
    EXPECT_EQ(c.mediaType, block[6]) << c.name;
    EXPECT_EQ(512, U16(block, 7)) << c.name;
    EXPECT_EQ(c.total16, U16(block, 15)) << c.name;
    EXPECT_EQ(c.spt, U16(block, 20)) << c.name;
    EXPECT_EQ(c.heads, U16(block, 22)) << c.name;
    EXPECT_EQ(c.total32, U32(block, 28)) << c.name;
    EXPECT_EQ(36, U16(block, 38)) << c.name << ": the track layout is the caller's";
  }
}

// Level-0 locks nest, the physical drive's (BIOS number) and the logical
// volume's alike; the medium is locked from the first to the last.
TEST_F(StandInVwin32, LocksAndEject) {
  fakes_['D'].lockError = ERROR_ACCESS_DENIED;  // a file system of this machine is on it
  struct Step {
    uint8_t minor;
    DWORD drive;  // BL: logical (A: = 1) or, for 4Bh and 6Bh, physical (A: = 0)
    DWORD permissions;
    uint16_t error;
    int locked;  // A:'s medium
  } steps[] = {
      {0x4B, 0, 0, 0, 1},      {0x4B, 0, 4, 0, 1},      {0x49, 1, 0, 0xB1, 1},
      {0x6B, 0, 0, 0, 1},      {0x6B, 0, 0, 0, 0},      {0x6B, 0, 0, 0xB0, 0},
      {0x6A, 1, 0, 0xB0, 0},   {0x4A, 1, 4, 0, 1},      {0x4B, 0, 0, 0, 1},
      {0x6A, 1, 0, 0, 1},      {0x6B, 0, 0, 0, 0},      {0x49, 1, 0, 1, 0},
      {0x4A, 4, 0, 5, 0},      {0x6A, 4, 0, 0xB0, 0},   {0x49, 4, 0, 0, 0},
      {0x4A, 3, 0, 15, 0},     {0x4B, 5, 0, 15, 0},
  };
  int index = 0;
  for (const Step& s : steps) {
    DIOC_REGISTERS regs = Ioctl(s.drive, s.minor, s.permissions);
    Call(VWIN32_DIOC_DOS_IOCTL, &regs);
    EXPECT_EQ(s.error != 0, Carry(regs)) << "step " << index;
    if (s.error != 0) {
      EXPECT_EQ(s.error, regs.reg_EAX) << "step " << index;
    }
    EXPECT_EQ(s.locked, fakes_['A'].locked) << "step " << index;
    ++index;
  }
  EXPECT_EQ(0, fakes_['D'].locked);
}

// Each buffer gets a 32-bit address of its own, kept while it is in use;
// the table holds 64, and an address that has left it reaches nothing.
TEST_F(StandInVwin32, Addresses) {
  TempDir dir;
  SetDeviceTraceFile(dir / "trace");
  std::vector<uint8_t> track(2048);
  const DWORD whole = Vwin32Address(track.data());
  const DWORD half = Vwin32Address(track.data() + 1024);
  EXPECT_NE(0u, whole);
  EXPECT_NE(whole, half);
  EXPECT_EQ(whole, Vwin32Address(track.data()));
  EXPECT_EQ(0u, Vwin32Address(nullptr));

  std::vector<uint8_t> many(65 * 512);
  std::vector<DWORD> tokens;
  for (int i = 0; i < 64; ++i) tokens.push_back(Vwin32Address(&many[512 * i]));
  EXPECT_EQ(tokens[0], Vwin32Address(&many[0]));  // now used more lately than the others
  Vwin32Address(&many[64 * 512]);                 // takes the place of the second
  EXPECT_EQ(tokens[0], Vwin32Address(&many[0]));
  EXPECT_EQ(tokens[2], Vwin32Address(&many[2 * 512]));

  FormatWhole(&fakes_['A'], k144);
  DISKIO io{0, 1, tokens[1]};
  DIOC_REGISTERS absolute = Absolute(1, &io, false);
  Call(VWIN32_DIOC_DOS_DRIVEINFO, &absolute);
  EXPECT_TRUE(Carry(absolute));
  EXPECT_EQ(9u, absolute.reg_EAX);
  absolute = Absolute(1, &io, false);
  absolute.reg_EBX = 0x7FFF0000;
  Call(VWIN32_DIOC_DOS_DRIVEINFO, &absolute);
  EXPECT_TRUE(Carry(absolute));
  EXPECT_EQ(9u, absolute.reg_EAX);
  DIOC_REGISTERS bios = Int13(2, 1, 0, 0, 1, 0, tokens[1]);
  Call(VWIN32_DIOC_DOS_INT13, &bios);
  EXPECT_TRUE(Carry(bios));
  EXPECT_EQ(0x0900u, bios.reg_EAX);
  std::vector<uint8_t> block(5, 0);
  DIOC_REGISTERS format = Ioctl(1, 0x42, tokens[1]);
  Call(VWIN32_DIOC_DOS_IOCTL, &format);
  EXPECT_TRUE(Carry(format));
  EXPECT_EQ(9u, format.reg_EAX);
  EXPECT_TRUE(fakes_['A'].formats.empty());

  EXPECT_NE(tokens[1], Vwin32Address(&many[512])) << "a new address, not the stale one";
  std::vector<uint8_t> trace;
  ASSERT_TRUE(ReadWholeFile(dir / "trace", &trace));
  const std::string text(trace.begin(), trace.end());
  char word[40];
  snprintf(word, sizeof word, " unknown-address=0x%x", unsigned(tokens[1]));
  EXPECT_NE(std::string::npos, text.find(std::string(word) + " out:")) << text;
  EXPECT_NE(std::string::npos, text.find(" unknown-address=0x7fff0000 out:")) << text;
}

// On a large removable medium absolute sectors are 512-byte steps through
// the medium, to its end.
TEST_F(StandInVwin32, LargeMediumTransfers) {
  FakeMedium& d = fakes_['D'];
  d.size = 64 * 1024;
  d.bytes.assign(d.size, 0);
  std::vector<uint8_t> data(1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13 + i / 251);
  struct Case {
    uint32_t start;
    uint16_t count;
    bool write;
    uint16_t error;
  } cases[] = {{126, 2, true, 0}, {126, 2, false, 0}, {127, 2, true, 27}, {128, 1, false, 27}};
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer = c.write ? data : std::vector<uint8_t>(1024, 0);
    DISKIO io{c.start, c.count, Vwin32Address(buffer.data())};
    DIOC_REGISTERS regs = Absolute(4, &io, c.write);
    Call(VWIN32_DIOC_DOS_DRIVEINFO, &regs);
    EXPECT_EQ(c.error != 0, Carry(regs)) << "start " << c.start;
    if (c.error != 0) {
      EXPECT_EQ(c.error, regs.reg_EAX) << "start " << c.start;
    } else if (!c.write) {
      EXPECT_EQ(data, buffer);
    }
  }
  EXPECT_EQ(data, std::vector<uint8_t>(d.bytes.begin() + 126 * 512, d.bytes.begin() + 128 * 512))
      << "a request past the end writes nothing";
}

namespace {

// The service as the program reaches it: CreateFileA on "\\.\vwin32" and
// DeviceIoControl, over simulated diskettes in image files.
class StandInVwin32Files : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting("9x", &error)) << error;
  }
  void TearDown() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    std::string error;
    ParseDriveSetting(nullptr, &error);
    ParseWindowsSetting("nt", &error);
    SetDeviceTraceFile("");
  }
  void Open(const std::string& drives) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(drives.c_str(), &error)) << error;
    handle_ = CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle_) << "error " << GetLastError();
  }
  void Call(DWORD code, DIOC_REGISTERS* regs) {
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(handle_, code, regs, sizeof *regs, regs, sizeof *regs, &returned,
                                nullptr))
        << "error " << GetLastError();
  }

  TempDir dir_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// 1.44M of sectors each filled with its own number.
std::vector<uint8_t> NumberedImage(int sectors) {
  std::vector<uint8_t> image(size_t(sectors) * 512);
  for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i / 512 + i % 512 / 128);
  return image;
}

}  // namespace

TEST_F(StandInVwin32Files, NoServiceOnNt) {
  std::string error;
  ASSERT_TRUE(ParseWindowsSetting("nt", &error));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, 0, nullptr));
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

// What Windows 9x answers for a write-protected diskette, an empty drive, a
// blank diskette and bad tracks, as the drive table sets them up.
TEST_F(StandInVwin32Files, MediumConditions) {
  ASSERT_TRUE(WriteWholeFile(dir_ / "p.img", NumberedImage(2880)));
  ASSERT_TRUE(WriteWholeFile(dir_ / "f.img", NumberedImage(2880)));
  Open("a:=floppy:" + (dir_ / "p.img") + ",readonly;b:=floppy,empty;c:=floppy:" +
       (dir_ / "blank.img") + ",format=none;d:=floppy:" + (dir_ / "f.img") +
       ",fail-write=0/1,fail-format=3/0;e:=floppy:" + (dir_ / "f.img") + ",busy");
  enum Request { kBiosRead, kBiosWrite, kDosRead, kDosWrite, kFormat, kLock };
  struct Case {
    const char* name;
    char letter;
    Request request;
    int track, sector;  // track: cylinder * 2 + head; sector from 1
    bool carry;
    DWORD ax;  // DOS error, or BIOS status and sectors
  } cases[] = {
      {"read protected", 'A', kBiosRead, 1, 3, false, 0x0001},
      {"write protected", 'A', kBiosWrite, 0, 1, true, 0x0300},
      {"write protected", 'A', kDosWrite, 0, 1, true, 19},
      {"format protected", 'A', kFormat, 0, 0, true, 19},
      {"read, no diskette", 'B', kBiosRead, 0, 1, true, 0x8000},
      {"read, no diskette", 'B', kDosRead, 0, 1, true, 21},
      {"format, no diskette", 'B', kFormat, 0, 0, true, 21},
      {"read blank", 'C', kBiosRead, 0, 1, true, 0x0400},
      {"write blank", 'C', kDosWrite, 0, 1, true, 27},
      {"no sector 19", 'D', kBiosRead, 0, 19, true, 0x0400},
      {"bad track", 'D', kBiosWrite, 1, 1, true, 0x0200},
      {"bad track", 'D', kDosWrite, 1, 18, true, 29},
      {"good track", 'D', kDosWrite, 2, 1, false, 0x7305},
      {"bad format", 'D', kFormat, 6, 0, true, 29},
      {"lock, in use", 'E', kLock, 0, 0, true, 5},
  };
  std::vector<uint8_t> buffer(512, 0xE5);
  for (const Case& c : cases) {
    DIOC_REGISTERS regs;
    DISKIO io{uint32_t(c.track * 18 + c.sector - 1), 1, Vwin32Address(buffer.data())};
    uint8_t block[5] = {0, uint8_t(c.track % 2), 0, uint8_t(c.track / 2), 0};
    const int bios = c.letter - 'A', dos = c.letter - '@';
    switch (c.request) {
      case kBiosRead:
      case kBiosWrite:
        regs = Int13(c.request == kBiosRead ? 2 : 3, 1, c.track / 2, c.track % 2, c.sector, bios,
                     Vwin32Address(buffer.data()));
        Call(VWIN32_DIOC_DOS_INT13, &regs);
        break;
      case kDosRead:
      case kDosWrite:
        regs = Absolute(DWORD(dos), &io, c.request == kDosWrite);
        Call(VWIN32_DIOC_DOS_DRIVEINFO, &regs);
        break;
      case kFormat:
        regs = Ioctl(DWORD(dos), 0x42, Vwin32Address(block));
        Call(VWIN32_DIOC_DOS_IOCTL, &regs);
        break;
      case kLock:
        regs = Ioctl(DWORD(dos), 0x4A, 0);
        Call(VWIN32_DIOC_DOS_IOCTL, &regs);
        break;
    }
    EXPECT_EQ(c.carry, (regs.reg_Flags & CARRY_FLAG) != 0) << c.name << " " << c.letter;
    EXPECT_EQ(c.ax, regs.reg_EAX) << c.name << " " << c.letter;
  }
  std::vector<uint8_t> image;
  ASSERT_TRUE(ReadWholeFile(dir_ / "p.img", &image));
  EXPECT_EQ(NumberedImage(2880), image) << "the protected diskette is unchanged";
}

// A blank diskette in a 1.44M drive written as a 720K one: the parameters
// set for the medium, every track formatted, the sectors written with 7305h.
// The image file ends up a 720K image with each sector in its place.
TEST_F(StandInVwin32Files, WritesAnotherFormat) {
  SetDeviceTraceFile(dir_ / "trace");
  Open("a:=floppy:" + (dir_ / "a.img") + ",format=none");
  for (uint8_t special : {5, 4}) {
    std::vector<uint8_t> params = DeviceParams(special, 9, 2, 80, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    DIOC_REGISTERS set = Ioctl(1, 0x40, Vwin32Address(params.data()));
    Call(VWIN32_DIOC_DOS_IOCTL, &set);
    ASSERT_EQ(0u, set.reg_Flags & CARRY_FLAG) << "error " << set.reg_EAX;
  }
  const std::vector<uint8_t> image = NumberedImage(1440);
  std::vector<uint8_t> track(9 * 512);
  DISKIO io{};
  for (int t = 0; t < 160; ++t) {
    uint8_t block[5] = {0, uint8_t(t % 2), 0, uint8_t(t / 2), 0};
    DIOC_REGISTERS format = Ioctl(1, 0x42, Vwin32Address(block));
    Call(VWIN32_DIOC_DOS_IOCTL, &format);
    ASSERT_EQ(0u, format.reg_Flags & CARRY_FLAG) << "track " << t << ": error " << format.reg_EAX;
    memcpy(track.data(), &image[size_t(t) * track.size()], track.size());
    io = {uint32_t(t * 9), 9, Vwin32Address(track.data())};
    DIOC_REGISTERS write = Absolute(1, &io, true);
    Call(VWIN32_DIOC_DOS_DRIVEINFO, &write);
    ASSERT_EQ(0u, write.reg_Flags & CARRY_FLAG) << "track " << t << ": error " << write.reg_EAX;
  }
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir_ / "a.img", &file));
  EXPECT_TRUE(file == image) << "the file has " << file.size() << " bytes";

  // The BIOS reads the same sector where DOS put it: sector 100 is the
  // second of cylinder 5, head 1.
  std::vector<uint8_t> sector(512);
  DIOC_REGISTERS read = Int13(2, 1, 5, 1, 2, 0, Vwin32Address(sector.data()));
  Call(VWIN32_DIOC_DOS_INT13, &read);
  EXPECT_EQ(0x0001u, read.reg_EAX);
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), image.begin() + 100 * 512));

  std::vector<uint8_t> params = DeviceParams(1, 36, 2, 80, {});
  DIOC_REGISTERS get = Ioctl(1, 0x60, Vwin32Address(params.data()));
  Call(VWIN32_DIOC_DOS_IOCTL, &get);
  EXPECT_EQ(1440, U16(params, 15));
  ASSERT_TRUE(CloseHandle(handle_));
  const HANDLE closed = handle_;
  handle_ = INVALID_HANDLE_VALUE;

  std::vector<uint8_t> trace;
  ASSERT_TRUE(ReadWholeFile(dir_ / "trace", &trace));
  const std::string text(trace.begin(), trace.end());
  char handle[32];
  snprintf(handle, sizeof handle, " handle=0x%lx", (unsigned long)uintptr_t(closed));
  EXPECT_EQ(0u, text.find(std::string("CreateFileA name=\\\\.\\vwin32 ")));
  EXPECT_NE(std::string::npos, text.find(std::string("DeviceIoControl") + handle +
                                         " code=VWIN32_DIOC_DOS_DRIVEINFO in:EAX=0x7305 "));
  EXPECT_NE(std::string::npos, text.find(std::string("\nCloseHandle") + handle + " result=1\n"));
}

// Format and Verify Track lays the track down in the layout DOS holds for
// the medium, at the density its sectors need, and reads it back; the
// BIOS then finds what is there, and DOS's transfers go at that layout's
// density.
TEST_F(StandInVwin32Files, FormatAndVerifyFollowsTheDensity) {
  struct Case {
    const char* medium;  // the options of drive A:
    int spt, cylinders;  // the parameters set for the medium
    int cylinder;        // the track formatted and read (head 1)
    uint16_t format;     // its DOS error; 0: carry clear
    DWORD bios;          // AX of a BIOS read of its first sector afterwards
    uint16_t dos;        // and the DOS error of reading it with 7305h
  } cases[] = {
      {"format=720k", 18, 80, 3, 23, 0x1000, 23},  // HD on a DD medium: no read back
      {"format=720k,media=hd", 18, 80, 3, 0, 0x0001, 0},
      {"format=1.44m", 36, 80, 3, 26, 0x0001, 26},  // no ED in a 1.44M drive
      {"format=none,drive=2.88m", 36, 80, 3, 0, 0x0001, 0},
      {"format=720k,drive=720k", 18, 80, 3, 26, 0x0001, 26},
      {"format=360k,drive=360k", 9, 80, 45, 25, 0x4000, 25},  // beyond the head's reach
  };
  for (const Case& c : cases) {
    remove((dir_ / "a.img").c_str());  // a fresh medium for each
    Open("a:=floppy:" + (dir_ / "a.img") + "," + c.medium);
    std::vector<uint16_t> numbers;
    for (int i = 1; i <= c.spt; ++i) numbers.push_back(uint16_t(i));
    std::vector<uint8_t> params = DeviceParams(5, c.spt, 2, c.cylinders, numbers);
    DIOC_REGISTERS set = Ioctl(1, 0x40, Vwin32Address(params.data()));
    Call(VWIN32_DIOC_DOS_IOCTL, &set);
    ASSERT_EQ(0u, set.reg_Flags & CARRY_FLAG) << c.medium << ": error " << set.reg_EAX;

    uint8_t block[5] = {0, 1, 0, uint8_t(c.cylinder), 0};
    DIOC_REGISTERS format = Ioctl(1, 0x42, Vwin32Address(block));
    Call(VWIN32_DIOC_DOS_IOCTL, &format);
    EXPECT_EQ(c.format != 0, (format.reg_Flags & CARRY_FLAG) != 0) << c.medium;
    if (c.format != 0) {
      EXPECT_EQ(c.format, format.reg_EAX) << c.medium;
    }

    std::vector<uint8_t> sector(512);
    DIOC_REGISTERS bios = Int13(2, 1, c.cylinder, 1, 1, 0, Vwin32Address(sector.data()));
    Call(VWIN32_DIOC_DOS_INT13, &bios);
    EXPECT_EQ(c.bios, bios.reg_EAX) << c.medium;
    DISKIO io{uint32_t((c.cylinder * 2 + 1) * c.spt), 1, Vwin32Address(sector.data())};
    DIOC_REGISTERS dos = Absolute(1, &io, false);
    Call(VWIN32_DIOC_DOS_DRIVEINFO, &dos);
    EXPECT_EQ(c.dos != 0, (dos.reg_Flags & CARRY_FLAG) != 0) << c.medium;
    if (c.dos != 0) {
      EXPECT_EQ(c.dos, dos.reg_EAX) << c.medium;
    }
    ASSERT_TRUE(CloseHandle(handle_));
    handle_ = INVALID_HANDLE_VALUE;
  }
}
