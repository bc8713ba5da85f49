// The program's device services against the stand-in's drives, one call at a
// time: the DOS and BIOS requests of the Windows 9x path with their retries,
// recovery and status mapping, the 7305h transfers and their read guard, the
// NT format of track 0 with its fresh boot sector and re-opened volume, and
// the measuring of a large removable medium. What went to the device is read
// from the device trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/app_state.h"
#include "container/le_bytes.h"
#include "device/nt_volume.h"
#include "device/vwin32_disk.h"
#include "devices/device_trace.h"
#include "devices/disk_medium.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "pack/formats.h"
#include "writer/disk_writer.h"
#include "writer/format_table.h"
#include "writer/format_track.h"
#include "writer/target_drive.h"

namespace {

std::vector<std::string> TraceLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasAll(const std::string& line, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (line.find(w) == std::string::npos) return false;
  return true;
}

int Count(const std::vector<std::string>& lines, std::initializer_list<const char*> words) {
  int n = 0;
  for (const std::string& line : lines) n += HasAll(line, words);
  return n;
}

const DiskFormatRecord& Format(const char* name) { return FindStandardFormat(name)->record; }

class DeviceServices : public testing::Test {
 protected:
  // The program's state for a run on drive A: of `family` with `drives`,
  // the device opened as OpenTargetDrive opens it.
  void Use(const char* family, const std::string& drives, const DiskFormatRecord& format) {
    std::string error;
    ASSERT_TRUE(ParseWindowsSetting(family, &error)) << error;
    ASSERT_TRUE(ParseDriveSetting(drives.c_str(), &error)) << error;
    ResetAppState();
    app.isNT = strcmp(family, "nt") == 0;
    app.format = format;
    app.cylinderCount = format.cylinders;
    app.totalSectors = FormatTotalSectors(format);
    memcpy(app.writerBpb, &format, kBpbLength);
    app.trackBuffer = (uint8_t*)calloc(FormatTrackBytes(format), 1);
    app.verifyBuffer = (uint8_t*)calloc(FormatTrackBytes(format), 1);
    SetDeviceTraceFile(trace);
    app.deviceHandle = app.isNT ? OpenVolume("a:")
                                : CreateFileA("\\\\.\\vwin32", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, app.deviceHandle) << GetLastError();
    ForgetRequests();
  }

  void TearDown() override {
    if (app.deviceHandle != nullptr && app.deviceHandle != INVALID_HANDLE_VALUE) CloseHandle(app.deviceHandle);
    free(app.trackBuffer);
    free(app.verifyBuffer);
    SetDeviceTraceFile("");
    std::string error;
    ParseDriveSetting("", &error);
    ParseWindowsSetting(nullptr, &error);
    ResetAppState();
  }

  std::vector<std::string> Requests() { return TraceLines(trace); }
  void ForgetRequests() {
    SetDeviceTraceFile("");
    WriteWholeFile(trace, {});
    SetDeviceTraceFile(trace);
  }

  TempDir dir;
  std::string trace = dir / "trace.txt";
};

}  // namespace

TEST_F(DeviceServices, DosRequestsAndTheirAttempts) {
  // Format and verify is a track request: tried three times. Two failures
  // and a success give success after three requests; lasting failure gives
  // the DOS error after three.
  Use("9x", "a:=floppy:" + dir / "a.img" + ",format=1.44m,fail-format=4/1x2;b:=floppy:" + dir / "b.img" +
                ",format=1.44m,fail-format=4/1",
      Format("1.44m"));
  uint8_t block[5] = {0, 1, 0, 4, 0};  // head 1, cylinder 4
  EXPECT_EQ(0, DosDeviceIoctl(1, kFormatTrack, block));
  EXPECT_EQ(3, Count(Requests(), {"ECX=0x842", "EBX=0x1 "}));
  ForgetRequests();
  EXPECT_EQ(ERROR_WRITE_FAULT, DosDeviceIoctl(2, kFormatTrack, block));
  EXPECT_EQ(3, Count(Requests(), {"ECX=0x842", "EBX=0x2 "}));

  // Any other request is sent once, failing or not: a level-0 lock of A:'s
  // physical volume, permissions in EDX, carry set beforehand.
  ForgetRequests();
  uint8_t permissions = 4;
  EXPECT_EQ(0, DosDeviceIoctl(0, kLockPhysicalVolume, &permissions));
  std::vector<std::string> lines = Requests();
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(HasAll(lines[0], {"in:EAX=0x440d EBX=0x0 ECX=0x84b EDX=0x4", "Flags=0x1", "out:"})) << lines[0];
  ForgetRequests();
  EXPECT_NE(0, DosDeviceIoctl(9, kGetDeviceParams, app.deviceParamsBuffer));  // I: is no drive
  EXPECT_EQ(1u, Requests().size());

  // The service itself failing: 65535 after one attempt, even for a track request.
  CloseHandle(app.deviceHandle);
  EXPECT_EQ(kServiceFailed, DosDeviceIoctl(1, kFormatTrack, block));
  app.deviceHandle = nullptr;
}

TEST_F(DeviceServices, LocksAndDriveParameters) {
  Use("9x", "a:=floppy:" + dir / "a.img" + ",format=1.44m;e:=floppy:" + dir / "e.img" + ",format=720k",
      Format("1.44m"));
  // A: and B: lock their physical volume (BIOS numbering), later letters
  // their logical volume (DOS numbering); permissions 0 then 4.
  EXPECT_EQ(0, LockTargetVolume("a:"));
  strcpy(app.targetDrive, "e:");
  EXPECT_EQ(0, LockTargetVolume("e:"));
  EXPECT_EQ(0, UnlockTargetVolume("e:"));
  std::vector<std::string> lines = Requests();
  ASSERT_EQ(6u, lines.size());
  EXPECT_TRUE(HasAll(lines[0], {"EBX=0x0 ECX=0x84b EDX=0x0 "}));
  EXPECT_TRUE(HasAll(lines[1], {"EBX=0x0 ECX=0x84b EDX=0x4 "}));
  EXPECT_TRUE(HasAll(lines[2], {"EBX=0x5 ECX=0x84a EDX=0x0 "}));
  EXPECT_TRUE(HasAll(lines[3], {"EBX=0x5 ECX=0x84a EDX=0x4 "}));
  EXPECT_TRUE(HasAll(lines[4], {"EBX=0x5 ECX=0x86a EDX=0x0 "}));
  EXPECT_TRUE(HasAll(lines[5], {"EBX=0x5 ECX=0x86a EDX=0x0 "}));

  // The medium's parameters, then the drive's default, come back as BPBs.
  uint8_t bpb[kBpbLength];
  EXPECT_EQ(0, GetDriveParams(1, bpb));
  EXPECT_EQ(1440, GetU16(bpb + 8)) << "the 720K diskette in E:";
  EXPECT_EQ(9, GetU16(bpb + 13));

  // A BPB of more than 64 sectors per track does not fit the record's
  // track layout: refused before any request.
  ForgetRequests();
  uint8_t wide[kBpbLength];
  memcpy(wide, &Format("1.44m"), kBpbLength);
  PutU16(wide + 13, 65);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, SetDriveParams(2, wide, false));
  EXPECT_EQ(0u, Requests().size());
  EXPECT_EQ(1, app.driveParamsChanged);
}

TEST_F(DeviceServices, BiosRecoveryAndStatusMapping) {
  struct Case {
    const char* options;
    int function;
    int result;
    int requests;  // per attempt: the transfer, a reset, a verify, and a
                   // second reset when the verify failed
  } cases[] = {
      {"format=1.44m,readonly", kBiosWrite, ERROR_WRITE_PROTECT, 3 * 3},  // 03h; the verify reads
      {"empty", kBiosRead, ERROR_NOT_READY, 3 * 4},          // 80h
      {"format=none", kBiosRead, 4, 3 * 4},  // 04h, sector not found, unmapped
      {"format=1.44m", kBiosWrite, 0, 1},
  };
  for (const Case& c : cases) {
    TearDown();
    Use("9x", "a:=floppy:" + dir / "a.img," + c.options, Format("1.44m"));
    EXPECT_EQ(c.result, BiosDiskIo(c.function, app.trackBuffer, 0, 1, 2, 1, 18)) << c.options;
    std::vector<std::string> lines = Requests();
    EXPECT_EQ(c.requests, int(lines.size())) << c.options;
    if (c.requests > 1) {
      EXPECT_TRUE(HasAll(lines[1], {"function=0", "EDX=0x100 "})) << "reset, head 1 of drive 0";
      EXPECT_TRUE(HasAll(lines[2], {"function=4 cylinder=0 head=0 sector=1 count=1"})) << "recalibrating verify";
    } else {
      EXPECT_TRUE(HasAll(lines[0], {"in:EAX=0x312", "ECX=0x201", "EDX=0x100"})) << lines[0];
    }
  }
  // A drive the BIOS does not serve: status 01h comes back as 1, on which
  // the writer turns to the 7305h transfers.
  TearDown();
  Use("9x", "a:=floppy:" + dir / "a.img,format=1.44m;e:=removable:" + dir / "e.img", Format("1.44m"));
  ASSERT_TRUE(WriteWholeFile(dir / "e.img", std::vector<uint8_t>(1 << 20)));
  EXPECT_EQ(1, BiosDiskIo(kBiosRead, app.trackBuffer, 4, 0, 0, 1, 1));
}

namespace {

// A medium that reports every read as done without moving any data.
DWORD Query(DiskMedium*, MediumInfo* info) {
  *info = MediumInfo{false, 0, {18, 2, 80}};
  return 0;
}
void Describe(DiskMedium*, DriveInfo* info) {
  *info = DriveInfo{true, false, DisketteDrive::k1440K, {F3_1Pt44_512, F3_720_512}};
}
DWORD ReadNothing(DiskMedium*, int, int, int, int, Density, void*) { return 0; }
DWORD WriteNothing(DiskMedium*, int, int, int, int, Density, const void*) { return 0; }
DWORD FormatNothing(DiskMedium*, int, int, const DiskLayout&, const uint16_t*, int) { return 0; }
DWORD NoBytes(DiskMedium*, uint64_t, void*, uint32_t, uint32_t*) { return ERROR_NOT_SUPPORTED; }
DWORD NoWriteBytes(DiskMedium*, uint64_t, const void*, uint32_t, uint32_t*) { return ERROR_NOT_SUPPORTED; }
DWORD Lock(DiskMedium*) { return 0; }
void Nothing(DiskMedium*) {}
const MediumMethods kSilentMethods = {Query,   Describe,     ReadNothing, WriteNothing,
                                      FormatNothing, NoBytes, NoWriteBytes, Lock,
                                      Nothing,       Nothing, Nothing};

}  // namespace

TEST_F(DeviceServices, ExtendedTransfersAndTheReadGuard) {
  Use("9x", "a:=floppy:" + dir / "a.img,format=1.44m", Format("1.44m"));
  // Head 1 of cylinder 2, from the sector with index 3: absolute sector
  // (2 x 2 + 1) x 18 + 3 = 93.
  uint8_t data[1024];
  for (int i = 0; i < 1024; ++i) data[i] = uint8_t(i * 13 + 1);
  // A sector that begins with the guard's own pattern still reads right.
  const uint8_t marker[8] = {0x01, 0xED, 0x04, 0x6F, 0x06, 0x1B, 0x08, 0x33};
  memcpy(data + 512, marker, sizeof marker);
  EXPECT_EQ(0, ExtAbsWrite(1, data, 1, 2, 3, 2, &app.diskIo));
  // DISKIO is packed: its fields are compared as copies, never bound to
  // references.
  EXPECT_EQ(93u, DWORD(app.diskIo.dwStartSector));
  EXPECT_EQ(2, WORD(app.diskIo.wSectors));
  std::vector<std::string> lines = Requests();
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(HasAll(lines[0], {"VWIN32_DIOC_DOS_DRIVEINFO", "EAX=0x7305", "ECX=0xffffffff", "EDX=0x1 ",
                                "ESI=0x6001"}))
      << lines[0];
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_EQ(0, memcmp(file.data() + 93 * 512, data, sizeof data));

  uint8_t back[512];
  ForgetRequests();
  EXPECT_EQ(0, ExtAbsRead(1, back, 1, 2, 4, 1, &app.diskIo));
  EXPECT_EQ(0, memcmp(back, marker, sizeof marker));
  EXPECT_EQ(2u, Requests().size()) << "the marker asks for a second read";

  // A service that says it read but moved nothing: 16384 after two requests.
  DiskMedium silent = {&kSilentMethods, nullptr, nullptr};
  SetDriveMedium('a', &silent);
  ForgetRequests();
  EXPECT_EQ(kNoDataRead, ExtAbsRead(1, back, 0, 0, 0, 1, &app.diskIo));
  EXPECT_EQ(2u, Requests().size());
  ForgetMedia();

  // Beyond 65,535 sectors the start sector goes on counting: cylinder 40,
  // head 3, index 5 of 64 heads and 32 sectors is (40 x 64 + 3) x 32 + 5.
  app.format.sectorsPerTrack = 32;
  app.format.heads = 64;
  ExtAbsRead(1, data, 3, 40, 5, 1, &app.diskIo);
  EXPECT_EQ(82021u, DWORD(app.diskIo.dwStartSector));
}

TEST_F(DeviceServices, NtTrackWriteCountsOnlyWhatReadsBack) {
  Use("nt", "a:=floppy:" + dir / "a.img,format=1.44m", Format("1.44m"));
  for (int i = 0; i < 9216; ++i) app.trackBuffer[i] = uint8_t(i * 7 + 3);
  EXPECT_EQ(0, VolumeTrackIo(app.deviceHandle, app.trackBuffer, 1, 3, 18, 512, kTrackWriteVerified));
  EXPECT_EQ(0, memcmp(app.trackBuffer, app.verifyBuffer, 9216));
  // A drive that takes the write but gives back something else: the track
  // is not written.
  // (A volume handle holds its medium: the drive gets the new one while
  // no handle is open, as a medium is changed.)
  CloseHandle(app.deviceHandle);
  DiskMedium silent = {&kSilentMethods, nullptr, nullptr};
  SetDriveMedium('a', &silent);
  app.deviceHandle = OpenVolume("a:");
  ASSERT_NE(INVALID_HANDLE_VALUE, app.deviceHandle);
  memset(app.verifyBuffer, 0, 9216);
  EXPECT_EQ(-1, VolumeTrackIo(app.deviceHandle, app.trackBuffer, 1, 3, 18, 512, kTrackWriteVerified));
  CloseHandle(app.deviceHandle);
  app.deviceHandle = nullptr;
  ForgetMedia();
}

TEST_F(DeviceServices, NtTrackZeroGetsAFreshBootSector) {
  struct Case {
    const char* format;
    const char* request;
  } cases[] = {{"1.44m", "IOCTL_DISK_FORMAT_TRACKS MediaType=2 "},
               {"1.68m", "IOCTL_DISK_FORMAT_TRACKS_EX MediaType=2 "}};
  for (const Case& c : cases) {
    TearDown();
    Use("nt", "a:=floppy:" + dir / "a.img,format=none", Format(c.format));
    SetStandInVirtualClock(true);
    EXPECT_EQ(0, FormatTrack(0, 0)) << c.format;
    SetStandInVirtualClock(false);
    std::vector<std::string> lines = Requests();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_TRUE(HasAll(lines[0], {c.request})) << lines[0];
    if (std::string(c.format) == "1.68m") {
      EXPECT_TRUE(HasAll(lines[0], {"FormatGapLength=5 SectorsPerTrack=21",
                                    "1,12,2,13,3,14,4,15,5,16,6,17,7,18,8,19,9,20,10,21,11"}))
          << lines[0];
    }
    // The boot sector, then the volume closed and opened afresh.
    EXPECT_TRUE(HasAll(lines[2], {"WriteFile", "length=512"})) << lines[2];
    const char* after[] = {"FSCTL_UNLOCK_VOLUME", "CloseHandle", "CreateFileA", "IOCTL_DISK_CHECK_VERIFY",
                           "FSCTL_LOCK_VOLUME", "IOCTL_DISK_GET_DRIVE_GEOMETRY"};
    for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(HasAll(lines[lines.size() - 6 + i], {after[i]})) << i;

    // Both get the 1.44M row: the 21-sector format has no row of its own.
    uint8_t expected[512], sector[512];
    BuildFreshBootSector(F3_1Pt44_512, expected);
    DiskMedium* medium = MediumOfDrive('a');
    ASSERT_NE(nullptr, medium);
    ASSERT_EQ(0u, medium->methods->readSectors(medium, 0, 0, 1, 1, Density::kAny, sector));
    EXPECT_EQ(0, memcmp(expected, sector, 512)) << c.format;
    EXPECT_EQ(2880, GetU16(sector + 19));
  }
}

TEST_F(DeviceServices, NtFailedFormatLeavesTheDisketteAlone) {
  // The run ends with a failed format, so the first track gets no boot
  // sector and the volume is not opened again; a write-protected or empty
  // drive is told by its own error.
  struct Case {
    const char* options;
    int result;
  } cases[] = {{",format=1.44m,readonly", ERROR_WRITE_PROTECT},
               {",empty", ERROR_NOT_READY},
               {",format=1.44m,fail-format=0/0", 1}};
  for (const Case& c : cases) {
    TearDown();
    Use("nt", "a:=floppy:" + dir / "a.img" + c.options, Format("1.44m"));
    EXPECT_EQ(c.result, FormatTrack(0, 0)) << c.options;
    const std::vector<std::string> lines = Requests();
    ASSERT_EQ(1u, lines.size()) << c.options << ": " << (lines.empty() ? "" : lines.back());
    EXPECT_TRUE(HasAll(lines[0], {"IOCTL_DISK_FORMAT_TRACKS", "result=0"})) << lines[0];
  }
}

namespace {

// The simulated medium behind one on which the boot sector read alone
// fails, while the whole first track reads.
DiskMedium* inner;
bool bootReadFailed;
DWORD QueryInner(DiskMedium*, MediumInfo* info) { return inner->methods->query(inner, info); }
void DescribeInner(DiskMedium*, DriveInfo* info) { inner->methods->describeDrive(inner, info); }
DWORD ReadBootFailing(DiskMedium*, int c, int h, int s, int n, Density d, void* b) {
  if (c == 0 && h == 0 && s == 1 && n == 1) {
    bootReadFailed = true;
    return ERROR_CRC;
  }
  return inner->methods->readSectors(inner, c, h, s, n, d, b);
}
DWORD WriteInner(DiskMedium*, int c, int h, int s, int n, Density d, const void* b) {
  return inner->methods->writeSectors(inner, c, h, s, n, d, b);
}
DWORD FormatInner(DiskMedium*, int c, int h, const DiskLayout& l, const uint16_t* numbers, int n) {
  return inner->methods->formatTrack(inner, c, h, l, numbers, n);
}
const MediumMethods kFlakyBootMethods = {QueryInner,  DescribeInner, ReadBootFailing, WriteInner,
                                         FormatInner, NoBytes,       NoWriteBytes,    Lock,
                                         Nothing,     Nothing,       Nothing};

}  // namespace

TEST_F(DeviceServices, Win9xUnreadBootSectorDeclaresNoFormat) {
  // A boot sector that was not read tells nothing about the diskette,
  // whatever the sector buffer held before. Here the diskette's own says
  // 720K, over tracks that read as 1.44M ones.
  std::vector<uint8_t> medium(1474560, 0xE5);
  memcpy(medium.data() + 11, &Format("720k"), kBpbLength);
  PutU16(medium.data() + 510, 0xAA55);
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", medium));
  Use("9x", "a:=floppy:" + dir / "a.img,format=1.44m", Format("1.44m"));
  inner = OpenSimulatedMedium(FindDrive('a'));
  ASSERT_NE(nullptr, inner);
  bootReadFailed = false;
  DiskMedium flaky = {&kFlakyBootMethods, nullptr, nullptr};
  SetDriveMedium('a', &flaky);
  uint8_t buffer[1024] = {};
  memcpy(buffer + 11, &app.format, kBpbLength);  // as if it declared the image's format
  PutU16(buffer + 510, 0xAA55);
  app.sectorBuffer = buffer;
  std::vector<char> text(kTextBufferSize);
  app.textBuffer = text.data();  // for the formatting message
  free(app.trackBuffer);         // the writer makes its own
  free(app.verifyBuffer);
  ASSERT_EQ(0, StartDiskWriter());
  EXPECT_TRUE(bootReadFailed);
  EXPECT_EQ(1, app.formatWhileCopying);
  app.sectorBuffer = nullptr;
  app.textBuffer = nullptr;
  inner->methods->close(inner);
  ForgetMedia();
}

TEST_F(DeviceServices, CountReadableSectorsOfALargeMedium) {
  ASSERT_TRUE(WriteWholeFile(dir / "r.img", std::vector<uint8_t>(20000 * 512)));
  Use("nt", "a:=removable:" + dir / "r.img", Format("1.44m"));
  EXPECT_EQ(20000u, CountReadableSectors(app.deviceHandle));
  EXPECT_LE(Count(Requests(), {"ReadFile"}), 100 + 4) << "a binary search and a short scan";
  // Windows 9x is not asked: the count is the search's limit.
  app.isNT = 0;
  EXPECT_EQ(1048576u, CountReadableSectors(app.deviceHandle));
}
