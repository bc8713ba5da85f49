// The stand-in's volumes over simulated media: CreateFileA on "\\.\A:",
// raw transfers, the disk and volume requests, and what the image file
// holds afterwards. The results and errors are those of Windows NT; the
// last error is set to 0xdeadbeef first and checked with the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "devices/device_trace.h"
#include "devices/drive_table.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"
#include "standin/standin_volume_fixture.h"

namespace {

const uint64_t k144Bytes = 1474560;
const uint64_t k144Track = 18 * 512;

typedef StandInVolumeTest StandInVolume;

}  // namespace

TEST_F(StandInVolume, ReadWriteRoundTripOn144M) {
  TempDir dir;
  std::vector<uint8_t> image = Pattern(k144Bytes, 1);
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
  Drives("a:=floppy:" + (dir / "a.img"));
  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);

  std::vector<uint8_t> whole(k144Bytes + 512);
  Outcome o = ReadAt(h, 0, &whole);
  ExpectOutcome(0, o, "read past the end");
  EXPECT_EQ(k144Bytes, o.done) << "a read reaching past the end is cut short";
  whole.resize(k144Bytes);
  EXPECT_TRUE(whole == image);

  // Cylinder 5 head 1, then the next two tracks in one go; each is read
  // back at once, as the writer verifies.
  uint64_t at = (5 * 2 + 1) * k144Track;
  std::vector<uint8_t> written = Pattern(3 * k144Track, 2), back(3 * k144Track);
  o = WriteAt(h, at, written);
  ExpectOutcome(0, o, "write");
  EXPECT_EQ(written.size(), o.done);
  o = ReadAt(h, at, &back);
  ExpectOutcome(0, o, "read back");
  EXPECT_TRUE(back == written);
  memcpy(&image[at], written.data(), written.size());

  std::vector<uint8_t> sector(512);
  o = ReadAt(h, k144Bytes, &sector);
  ExpectOutcome(0, o, "read at the end");
  EXPECT_EQ(0u, o.done);
  o = WriteAt(h, k144Bytes + 512 * 100, sector);
  ExpectOutcome(0, o, "write past the end");
  EXPECT_EQ(0u, o.done);
  o = ReadAt(h, 256, &sector);
  ExpectOutcome(ERROR_INVALID_PARAMETER, o, "read at an unaligned position");
  std::vector<uint8_t> odd(700);
  o = ReadAt(h, 512, &odd);
  ExpectOutcome(ERROR_INVALID_PARAMETER, o, "read of an unaligned length");

  Close(h);
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_TRUE(file == image) << "the file holds what was written, in place";
}

TEST_F(StandInVolume, GeometryOfEachFormat) {
  struct Case {
    const char* format;
    DWORD error;
    LONGLONG cylinders;
    MEDIA_TYPE type;
    DWORD heads, sectors;
  } cases[] = {
      {"160k", 0, 40, F5_160_512, 1, 8},
      {"180k", 0, 40, F5_180_512, 1, 9},
      {"320k", 0, 40, F5_320_512, 2, 8},
      {"360k", 0, 40, F5_360_512, 2, 9},
      {"720k", 0, 80, F3_720_512, 2, 9},
      {"1.2m", 0, 80, F5_1Pt2_512, 2, 15},
      {"1.44m", 0, 80, F3_1Pt44_512, 2, 18},
      {"1.68m", 0, 80, F3_1Pt44_512, 2, 21},
      {"2.88m", 0, 80, F3_2Pt88_512, 2, 36},
      {"none", ERROR_UNRECOGNIZED_MEDIA, 0, Unknown, 0, 0},
      {nullptr, ERROR_NOT_READY, 0, Unknown, 0, 0},  // no medium
  };
  for (const Case& c : cases) {
    std::string what = c.format == nullptr ? "empty" : c.format;
    Drives(c.format == nullptr ? "a:=floppy,empty"
                               : std::string("a:=floppy:/nonexistent/a.img,format=") + c.format);
    HANDLE h = Open();
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << what;
    DISK_GEOMETRY g;
    Outcome o = Geometry(h, &g);
    ExpectOutcome(c.error, o, what.c_str());
    if (c.error == 0) {
      EXPECT_EQ(sizeof g, o.done) << what;
      EXPECT_EQ(c.cylinders, g.Cylinders.QuadPart) << what;
      EXPECT_EQ(c.type, g.MediaType) << what;
      EXPECT_EQ(c.heads, g.TracksPerCylinder) << what;
      EXPECT_EQ(c.sectors, g.SectorsPerTrack) << what;
      EXPECT_EQ(512u, g.BytesPerSector) << what;
    }
    o = Control(h, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g - 1);
    ExpectOutcome(ERROR_INSUFFICIENT_BUFFER, o, "geometry into a short buffer");
    Close(h);
  }
}

// An HD medium formatted as 720K, as is commonly done, written as 1.44M.
TEST_F(StandInVolume, A720KMediumReformattedAs144MHoldsTheImage) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", Pattern(737280, 3)));
  Drives("a:=floppy:" + (dir / "a.img") + ",media=hd");
  std::vector<uint8_t> image = Pattern(k144Bytes, 4);
  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  ExpectOutcome(0, Control(h, FSCTL_LOCK_VOLUME), "lock");

  // Track by track, as the writer formats while it copies: track 0 makes
  // the drive read the medium as 1.44 MB from the first format on, and the
  // tracks not yet laid down anew were recorded at the lower density, so
  // that none of their sectors is found.
  ExpectOutcome(0, Format(h, F3_1Pt44_512, 0, 0), "format 0/0");
  std::vector<uint8_t> track(k144Track);
  ExpectOutcome(0, ReadAt(h, 0, &track), "read of a fresh track");
  EXPECT_EQ(std::vector<uint8_t>(k144Track, 0xF6), track) << "the format fill byte";
  Outcome o = ReadAt(h, k144Track, &track);
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, o, "read of a 720K track at 1.44M's density");
  EXPECT_EQ(0u, o.done);
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_EQ(std::vector<uint8_t>(k144Track, 0xF6), file)
      << "the file holds what is in the new layout: cylinder 0, head 0";

  for (DWORD c = 0; c < 80; ++c) {
    for (DWORD head = 0; head < 2; ++head) {
      if (c + head > 0) ExpectOutcome(0, Format(h, F3_1Pt44_512, c, head), "format");
      uint64_t at = (c * 2 + head) * k144Track;
      std::vector<uint8_t> part(image.begin() + at, image.begin() + at + k144Track);
      ASSERT_TRUE(WriteAt(h, at, part).ok) << "track " << c << "/" << head;
    }
    if (c == 9) {
      ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
      EXPECT_EQ(10 * 2 * k144Track, file.size()) << "the file grows with the new layout";
      EXPECT_EQ(MediumFormat::kNone, FindDrive('A')->format) << "no standard format midway";
    }
  }
  Close(h);
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_TRUE(file == image) << "the file equals the image byte for byte";
  EXPECT_EQ(MediumFormat::k1440K, FindDrive('A')->format) << "the drive table follows";

  // The medium keeps its new format when the volume is opened again.
  h = Open();
  DISK_GEOMETRY g;
  ExpectOutcome(0, Geometry(h, &g), "geometry after reopening");
  EXPECT_EQ(18u, g.SectorsPerTrack);
  EXPECT_EQ(F3_1Pt44_512, g.MediaType);
}

TEST_F(StandInVolume, UnformattedMediumAndTheExtendedFormat) {
  TempDir dir;
  Drives("a:=floppy:" + (dir / "a.img") + ",format=none");
  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  std::vector<uint8_t> track(21 * 512);
  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, ReadAt(h, 0, &track), "read of an unformatted medium");

  // 1.68 MB: the 1.44 MB media type with 21 sectors, interleaved 2:1.
  struct {
    FORMAT_PARAMETERS p;
    WORD gap, sectors, numbers[21];
  } ex = {{F3_1Pt44_512, 0, 0, 0, 1}, 0x0C, 21, {}};
  for (int i = 0; i < 21; ++i) ex.numbers[i] = WORD(i < 11 ? 1 + 2 * i : 2 * (i - 10));
  DWORD exSize = 24 + 2 * 21;
  ExpectOutcome(ERROR_INVALID_PARAMETER, Control(h, IOCTL_DISK_FORMAT_TRACKS_EX, &ex, exSize - 2),
                "a list shorter than its count");
  ExpectOutcome(0, Control(h, IOCTL_DISK_FORMAT_TRACKS_EX, &ex, exSize), "format 0/0 and 0/1");
  DISK_GEOMETRY g;
  ExpectOutcome(0, Geometry(h, &g), "geometry");
  EXPECT_EQ(21u, g.SectorsPerTrack);
  EXPECT_EQ(80, g.Cylinders.QuadPart);

  std::vector<uint8_t> two = Pattern(2 * 21 * 512, 5), back(two.size());
  ExpectOutcome(0, WriteAt(h, 0, two), "write cylinder 0");
  ExpectOutcome(0, ReadAt(h, 0, &back), "read cylinder 0");
  EXPECT_TRUE(back == two);
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, ReadAt(h, 2 * 21 * 512, &track), "unformatted cylinder 1");
  ExpectOutcome(ERROR_INVALID_PARAMETER, Format(h, F3_1Pt44_512, 80, 0), "cylinder 80 of 1.44 MB");
  ExpectOutcome(ERROR_INVALID_PARAMETER, Format(h, F3_20Pt8_512, 0, 0), "a type no diskette has");
  Close(h);

  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_TRUE(file == two) << "cylinder 0 alone is in the 21-sector layout: " << file.size();
}

TEST_F(StandInVolume, ReadonlyEmptyAndAccess) {
  TempDir dir;
  std::vector<uint8_t> image = Pattern(737280, 6);
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
  Drives("a:=floppy:" + (dir / "a.img") + ",readonly;b:=floppy,empty");
  std::vector<uint8_t> track(9 * 512);
  struct Case {
    const char* name;
    DWORD access;
    DWORD read, write, format, verify, lock;
  } cases[] = {
      {"\\\\.\\a:", kReadWrite, 0, ERROR_WRITE_PROTECT, ERROR_WRITE_PROTECT, 0, 0},
      {"\\\\.\\B:", kReadWrite, ERROR_NOT_READY, ERROR_NOT_READY, ERROR_NOT_READY, ERROR_NOT_READY,
       ERROR_NOT_READY},
      {"\\\\.\\a:", GENERIC_READ, 0, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, 0, 0},
  };
  for (const Case& c : cases) {
    SetLastError(kUnset);
    HANDLE h = Open(c.name, c.access);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << c.name << " opens even so";
    EXPECT_EQ(0u, GetLastError());
    ExpectOutcome(c.read, ReadAt(h, 0, &track), "read");
    ExpectOutcome(c.write, WriteAt(h, 0, track), "write");
    ExpectOutcome(c.format, Format(h, F3_720_512, 0, 0), "format");
    ExpectOutcome(c.verify, Control(h, IOCTL_DISK_CHECK_VERIFY), "check verify");
    ExpectOutcome(c.lock, Control(h, FSCTL_LOCK_VOLUME), "lock");
    Close(h);
  }
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_TRUE(file == image);
  EXPECT_FALSE(FileExists(dir / "b.img"));
}

TEST_F(StandInVolume, FailingTracks) {
  TempDir dir;
  Drives("a:=floppy:" + (dir / "a.img") +
         ",format=720k,fail-write=3/1x1,fail-write=4/0,fail-format=2/0x2,fail-format=6/1");
  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const uint64_t track = 9 * 512;
  std::vector<uint8_t> two = Pattern(2 * track, 7), back(2 * track);

  // Cylinder 3: head 0 is written, head 1 fails once, then is written.
  Outcome o = WriteAt(h, 6 * track, two);
  ExpectOutcome(ERROR_WRITE_FAULT, o, "write of 3/0 and 3/1");
  EXPECT_EQ(track, o.done);
  ExpectOutcome(0, WriteAt(h, 6 * track, two), "the same write again");
  ExpectOutcome(0, ReadAt(h, 6 * track, &back), "read back");
  EXPECT_TRUE(back == two);
  for (int attempt = 0; attempt < 3; ++attempt)
    ExpectOutcome(ERROR_WRITE_FAULT, WriteAt(h, 8 * track, two), "write of 4/0 for ever");

  ExpectOutcome(ERROR_WRITE_FAULT, Format(h, F3_720_512, 2, 0), "format 2/0, first time");
  ExpectOutcome(ERROR_WRITE_FAULT, Format(h, F3_720_512, 2, 0), "format 2/0, second time");
  ExpectOutcome(0, Format(h, F3_720_512, 2, 0), "format 2/0, third time");
  for (int attempt = 0; attempt < 3; ++attempt)
    ExpectOutcome(ERROR_WRITE_FAULT, Format(h, F3_720_512, 6, 0, 6, 1), "format 6/1 for ever");
  ExpectOutcome(0, ReadAt(h, 12 * track, &back), "read 6/0 and 6/1");
  EXPECT_EQ(0xF6, back[0]) << "6/0 was formatted before 6/1 failed";
  EXPECT_EQ(0, back[track]) << "a failing format leaves the track as it was";
}

TEST_F(StandInVolume, LockFromTwoHandles) {
  Drives("a:=floppy:/nonexistent/a.img,format=1.44m");
  HANDLE first = Open(), second = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, first);
  ASSERT_NE(INVALID_HANDLE_VALUE, second);
  ExpectOutcome(ERROR_NOT_LOCKED, Control(first, FSCTL_UNLOCK_VOLUME), "unlock, never locked");
  ExpectOutcome(0, Control(first, FSCTL_LOCK_VOLUME), "lock");
  ExpectOutcome(ERROR_ACCESS_DENIED, Control(second, FSCTL_LOCK_VOLUME), "lock by another");
  ExpectOutcome(ERROR_ACCESS_DENIED, Control(first, FSCTL_LOCK_VOLUME), "lock again");
  ExpectOutcome(ERROR_NOT_LOCKED, Control(second, FSCTL_UNLOCK_VOLUME), "unlock by another");
  ExpectOutcome(0, Control(first, FSCTL_UNLOCK_VOLUME), "unlock");
  ExpectOutcome(0, Control(second, FSCTL_LOCK_VOLUME), "lock by the other");
  ExpectOutcome(0, Control(second, FSCTL_DISMOUNT_VOLUME), "dismount");
  Close(second);
  ExpectOutcome(0, Control(first, FSCTL_LOCK_VOLUME), "lock after the holder closed");
}

TEST_F(StandInVolume, RemovableMedium) {
  TempDir dir;
  const uint64_t size = 3 * 1048576 + 1536;
  ASSERT_TRUE(WriteWholeFile(dir / "zip.img", Pattern(size, 8)));
  Drives("b:=removable:" + (dir / "zip.img") + ",fail-write=0/0");
  HANDLE h = Open("\\\\.\\b:");
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  DISK_GEOMETRY g;
  ExpectOutcome(0, Geometry(h, &g), "geometry");
  EXPECT_EQ(RemovableMedia, g.MediaType);
  EXPECT_EQ(3, g.Cylinders.QuadPart);
  EXPECT_EQ(64u, g.TracksPerCylinder);
  EXPECT_EQ(32u, g.SectorsPerTrack);
  EXPECT_EQ(512u, g.BytesPerSector);

  std::vector<uint8_t> four(2048), back(2048);
  Outcome o = ReadAt(h, size - 512, &four);
  ExpectOutcome(0, o, "read over the end");
  EXPECT_EQ(512u, o.done);
  o = ReadAt(h, size, &four);
  ExpectOutcome(0, o, "read at the end");
  EXPECT_EQ(0u, o.done);
  std::vector<uint8_t> written = Pattern(2048, 9);
  o = WriteAt(h, size - 1024, written);
  ExpectOutcome(0, o, "write over the end");
  EXPECT_EQ(1024u, o.done);
  ExpectOutcome(0, WriteAt(h, 0, written), "write at 0: fail-write is for diskettes");
  ExpectOutcome(0, ReadAt(h, 0, &back), "read back");
  EXPECT_TRUE(back == written);
  ExpectOutcome(ERROR_INVALID_FUNCTION, Format(h, F3_1Pt44_512, 0, 0), "format");
  Close(h);

  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "zip.img", &file));
  ASSERT_EQ(size, file.size()) << "a write never grows the medium";
  EXPECT_TRUE(std::equal(written.begin(), written.begin() + 1024, file.end() - 1024));
}

TEST_F(StandInVolume, NamesAndPositions) {
  Drives("a:=floppy:/nonexistent/a.img,format=1.44m;c:=fixed;e:=cdrom");
  struct Case {
    const char* name;
    DWORD error;
  } cases[] = {
      {"\\\\.\\A:", 0},
      {"\\\\.\\a:", 0},
      {"\\\\.\\b:", ERROR_FILE_NOT_FOUND},  // no such drive
      {"\\\\.\\c:", ERROR_ACCESS_DENIED},
      {"\\\\.\\E:", ERROR_ACCESS_DENIED},
      {"\\\\.\\vwin32", ERROR_FILE_NOT_FOUND},  // NT has no VWIN32
      {"\\\\.\\VWIN32", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(kUnset);
    HANDLE h = Open(c.name);
    EXPECT_EQ(c.error, GetLastError()) << c.name;
    EXPECT_EQ(c.error == 0, h != INVALID_HANDLE_VALUE) << c.name;
  }
  std::string error;
  ASSERT_TRUE(ParseWindowsSetting("9x", &error));
  SetLastError(kUnset);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("\\\\.\\a:")) << "Windows 9x has no volume names";
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kUnset);
  HANDLE vwin32 = Open("\\\\.\\vwin32", 0);
  ASSERT_NE(INVALID_HANDLE_VALUE, vwin32) << "but it has VWIN32";
  EXPECT_EQ(0u, GetLastError());
  ExpectOutcome(ERROR_NOT_SUPPORTED, Control(vwin32, 5), "a VWIN32 service it does not know");
  Close(vwin32);
  ASSERT_TRUE(ParseWindowsSetting(nullptr, &error));

  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  SetLastError(kUnset);
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -512, nullptr, FILE_BEGIN));
  EXPECT_EQ(DWORD(ERROR_NEGATIVE_SEEK), GetLastError());
  LONG high = 1;
  SetLastError(kUnset);
  EXPECT_EQ(0x200u, SetFilePointer(h, 0x200, &high, FILE_BEGIN)) << "no check against the size";
  EXPECT_EQ(1, high);
  EXPECT_EQ(kUnset, GetLastError());
  std::vector<uint8_t> sector(512);
  Outcome o = ReadAt(h, (uint64_t(1) << 32) + 0x200, &sector);
  ExpectOutcome(0, o, "read far past the end");
  EXPECT_EQ(0u, o.done);
  high = 0;
  SetLastError(kUnset);
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -1, &high, FILE_BEGIN))
      << "4 GiB less one byte";
  EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError()) << "a position, not a failure";
}

TEST_F(StandInVolume, TraceLines) {
  TempDir dir;
  Drives("a:=floppy:" + (dir / "a.img") + ",format=1.44m,fail-format=5/1x1");
  SetDeviceTraceFile(dir / "trace.txt");
  HANDLE h = CreateFileA("\\\\.\\a:", kReadWrite, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  std::vector<uint8_t> track = Pattern(k144Track, 10);
  DWORD done;
  SetFilePointer(h, 9216, nullptr, FILE_BEGIN);
  WriteFile(h, track.data(), DWORD(track.size()), &done, nullptr);
  Format(h, F3_1Pt44_512, 5, 1);
  DISK_GEOMETRY g;
  Geometry(h, &g);
  ReadFile(h, track.data(), 100, &done, nullptr);
  CloseHandle(h);
  CreateFileA("\\\\.\\q:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);

  char hex[32];
  snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(uintptr_t(h)));
  std::string handle = hex;
  std::string expected =
      "CreateFileA name=\\\\.\\a: access=0xc0000000 share=0x3 disposition=3 flags=0x80 handle=" +
      handle + " result=ok\n" + "SetFilePointer handle=" + handle +
      " distance=9216 high=null method=0 result=9216\n" + "WriteFile handle=" + handle +
      " length=9216 done=9216 result=1\n" + "DeviceIoControl handle=" + handle +
      " code=IOCTL_DISK_FORMAT_TRACKS MediaType=2 StartCylinderNumber=5 EndCylinderNumber=5"
      " StartHeadNumber=1 EndHeadNumber=1 result=0 error=29\n" +
      "DeviceIoControl handle=" + handle +
      " code=IOCTL_DISK_GET_DRIVE_GEOMETRY result=1 Cylinders=80 MediaType=2"
      " TracksPerCylinder=2 SectorsPerTrack=18 BytesPerSector=512\n" +
      "ReadFile handle=" + handle + " length=100 done=0 result=0 error=87\n" +
      "CloseHandle handle=" + handle + " result=1\n" +
      "CreateFileA name=\\\\.\\q: access=0x80000000 share=0x0 disposition=3 flags=0x0"
      " result=failed error=2\n";
  std::vector<uint8_t> trace;
  ASSERT_TRUE(ReadWholeFile(dir / "trace.txt", &trace));
  EXPECT_EQ(expected, std::string(trace.begin(), trace.end()));
}

namespace {

// A FAT boot sector of a file system of `total` sectors, with the fields
// that make one: 512 bytes per sector, `perCluster` sectors per cluster,
// one reserved sector, two FATs and the signature.
std::vector<uint8_t> FatBootSector(uint16_t total, uint8_t perCluster = 1) {
  std::vector<uint8_t> s(512, 0);
  s[0] = 0xEB, s[1] = 0x3C, s[2] = 0x90;
  s[11] = 0x00, s[12] = 0x02, s[13] = perCluster, s[14] = 1, s[16] = 2;
  s[17] = 224, s[19] = uint8_t(total), s[20] = uint8_t(total >> 8), s[21] = 0xF0;
  s[22] = 9, s[24] = 18, s[26] = 2;
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

}  // namespace

// Windows 6.0 and later keep raw writes off a mounted file system: only
// its boot sector and what lies beyond its end, unless the handle holds
// the volume's lock or the volume was dismounted; RAW volumes and earlier
// versions take every write.
TEST_F(StandInVolume, WritesUnderAMountedFileSystem) {
  enum Hold { kNone, kLocked, kLockedByOther, kDismounted, kDismountedAndReopened };
  struct Case {
    const char* windows;
    uint8_t perCluster;  // of the boot sector; 0: no boot sector (RAW)
    Hold hold;
    uint64_t sector, count;
    DWORD error;
  } cases[] = {
      {"6.1", 1, kNone, 0, 1, 0},
      {"6.1", 1, kNone, 1, 1, ERROR_ACCESS_DENIED},
      {"6.1", 1, kNone, 0, 18, ERROR_ACCESS_DENIED},
      {"6.1", 1, kNone, 1999, 1, ERROR_ACCESS_DENIED},
      {"6.1", 1, kNone, 2000, 18, 0},
      {"6.0", 1, kNone, 100, 1, ERROR_ACCESS_DENIED},
      {"5.1", 1, kNone, 100, 1, 0},
      {"6.1", 1, kLocked, 1, 18, 0},
      {"6.1", 1, kLockedByOther, 1, 1, ERROR_ACCESS_DENIED},
      {"6.1", 1, kDismounted, 1, 18, 0},
      {"6.1", 1, kDismountedAndReopened, 1, 1, ERROR_ACCESS_DENIED},
      {"6.1", 0, kNone, 1, 18, 0},
      {"6.1", 3, kNone, 1, 18, 0},  // a cluster of 3 sectors: no FAT
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string what = std::string(c.windows) + ", cluster " + std::to_string(c.perCluster) +
                             ", hold " + std::to_string(c.hold) + ", " + std::to_string(c.count) +
                             " from sector " + std::to_string(c.sector);
    std::vector<uint8_t> image = Pattern(k144Bytes, 9);
    if (c.perCluster != 0) {
      std::vector<uint8_t> boot = FatBootSector(2000, c.perCluster);
      std::copy(boot.begin(), boot.end(), image.begin());
    }
    ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
    Windows(c.windows);
    Drives("a:=floppy:" + dir / "a.img");
    HANDLE h = Open(), other = Open();
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << what;
    if (c.hold == kLocked) ExpectOutcome(0, Control(h, FSCTL_LOCK_VOLUME), what + ": lock");
    if (c.hold == kLockedByOther) ExpectOutcome(0, Control(other, FSCTL_LOCK_VOLUME), what);
    if (c.hold == kDismounted || c.hold == kDismountedAndReopened)
      ExpectOutcome(0, Control(other, FSCTL_DISMOUNT_VOLUME), what + ": dismount");
    if (c.hold == kDismountedAndReopened) Open();
    const std::vector<uint8_t> data = Pattern(c.count * 512, 10);
    Outcome o = WriteAt(h, c.sector * 512, data);
    ExpectOutcome(c.error, o, what);
    EXPECT_EQ(c.error == 0 ? data.size() : 0u, o.done) << what;
    for (HANDLE open : std::vector<HANDLE>(open_)) Close(open);
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
    if (c.error == 0) std::copy(data.begin(), data.end(), image.begin() + c.sector * 512);
    EXPECT_TRUE(file == image) << what;
  }
}

// Another program with files open on the volume: the lock is refused on
// Windows NT (and on Windows 9x, stand-in VWIN32 test), the forced
// dismount goes through and lets the writes in.
TEST_F(StandInVolume, BusyVolume) {
  TempDir dir;
  std::vector<uint8_t> image = Pattern(k144Bytes, 11);
  std::vector<uint8_t> boot = FatBootSector(2880);
  std::copy(boot.begin(), boot.end(), image.begin());
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
  ASSERT_TRUE(WriteWholeFile(dir / "zip.img", std::vector<uint8_t>(1 << 20)));
  Drives("a:=floppy:" + dir / "a.img,busy;b:=removable:" + dir / "zip.img,busy");
  for (const char* name : {"\\\\.\\a:", "\\\\.\\b:"}) {
    HANDLE h = Open(name);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << name;
    ExpectOutcome(ERROR_ACCESS_DENIED, Control(h, FSCTL_LOCK_VOLUME), std::string(name) + " lock");
    ExpectOutcome(ERROR_NOT_LOCKED, Control(h, FSCTL_UNLOCK_VOLUME), name);
  }
  HANDLE h = open_[0];
  std::vector<uint8_t> track = Pattern(k144Track, 12);
  ExpectOutcome(ERROR_ACCESS_DENIED, WriteAt(h, k144Track, track), "write while mounted");
  ExpectOutcome(0, Control(h, FSCTL_DISMOUNT_VOLUME), "dismount");
  ExpectOutcome(0, WriteAt(h, k144Track, track), "write after the dismount");
}
