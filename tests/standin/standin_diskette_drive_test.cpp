// The stand-in's simulated diskette drives as Windows NT reaches them: the
// media types each drive type formats and lists, the density of the
// medium, the recognition of the medium from its track 0 and the mapping
// of the volume's sectors through it, and the USB floppy class driver.
// Each call's result and last error are checked together.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/disk_medium.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"
#include "standin/standin_volume_fixture.h"

namespace {

typedef StandInVolumeTest StandInDisketteDrive;

std::vector<WORD> Numbered(int first, int count) {
  std::vector<WORD> numbers;
  for (int i = 0; i < count; ++i) numbers.push_back(WORD(first + i));
  return numbers;
}

std::string Name(MEDIA_TYPE type) { return "media type " + std::to_string(int(type)); }

}  // namespace

// What IOCTL_DISK_FORMAT_TRACKS takes from each kind of drive, checked
// before the medium is touched: an empty drive says 87 for a request that
// is wrong and 21 for one that is right.
TEST_F(StandInDisketteDrive, FormatTakesTheDrivesMediaTypesAndTheirTracks) {
  struct Case {
    const char* drive;  // the options of a drive with an unformatted medium
    MEDIA_TYPE type;
    DWORD lastCylinder, lastHead;
    DWORD error;
  } cases[] = {
      {"drive=1.44m", F3_1Pt44_512, 79, 1, 0},
      {"drive=1.44m", F3_720_512, 0, 0, 0},
      {"drive=1.44m", F3_2Pt88_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m", F5_1Pt2_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m", F3_1Pt2_512, 0, 0, ERROR_INVALID_PARAMETER},  // a USB drive's type
      {"drive=1.44m", F3_1Pt44_512, 80, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m", F3_1Pt44_512, 0, 2, ERROR_INVALID_PARAMETER},
      {"drive=720k", F3_720_512, 79, 1, 0},
      {"drive=720k", F3_1Pt44_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=2.88m", F3_2Pt88_512, 0, 1, 0},
      {"drive=2.88m", F3_720_512, 0, 0, 0},
      {"drive=360k", F5_360_512, 39, 1, 0},
      {"drive=360k", F5_160_512, 0, 0, 0},
      {"drive=360k", F5_360_512, 40, 0, ERROR_INVALID_PARAMETER},
      {"drive=360k", F5_180_512, 0, 1, ERROR_INVALID_PARAMETER},
      {"drive=360k", F5_1Pt2_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.2m", F5_1Pt2_512, 79, 0, 0},
      {"drive=1.2m", F5_320_512, 0, 1, 0},
      {"drive=1.2m", F3_720_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m,bus=usb", F3_1Pt44_512, 0, 1, 0},
      {"drive=1.44m,bus=usb", F3_1Pt2_512, 0, 0, 0},
      {"drive=1.44m,bus=usb", F3_640_512, 0, 0, 0},
      {"drive=2.88m,bus=usb", F3_2Pt88_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m,bus=usb", F5_360_512, 0, 0, ERROR_INVALID_PARAMETER},
      {"drive=1.44m,bus=usb", F3_1Pt44_512, 80, 0, ERROR_INVALID_PARAMETER},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string what = std::string(c.drive) + ", " + Name(c.type) + " to " +
                             std::to_string(c.lastCylinder) + "/" + std::to_string(c.lastHead);
    for (bool empty : {false, true}) {
      Drives("a:=floppy" + (empty ? std::string(",empty") : ":" + dir / "a.img,format=none") +
             "," + c.drive);
      HANDLE h = Open();
      ASSERT_NE(INVALID_HANDLE_VALUE, h) << what;
      DWORD expected = c.error == 0 && empty ? DWORD(ERROR_NOT_READY) : c.error;
      ExpectOutcome(expected, Format(h, c.type, 0, 0, c.lastCylinder, c.lastHead),
                    what + (empty ? ", no medium" : ""));
      Close(h);
    }
  }

  // A request partly outside the type lays nothing down.
  Drives("a:=floppy:" + dir / "b.img,format=none");
  HANDLE h = Open();
  ExpectOutcome(ERROR_INVALID_PARAMETER, Format(h, F3_1Pt44_512, 78, 0, 80, 1), "78 to 80");
  DISK_GEOMETRY g;
  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, Geometry(h, &g), "still unformatted");
  EXPECT_FALSE(FileExists(dir / "b.img"));
}

TEST_F(StandInDisketteDrive, GetMediaTypesListsWhatTheDriveTakes) {
  struct Entry {
    MEDIA_TYPE type;
    LONGLONG cylinders;
    DWORD heads, sectors, bytes;
  };
  const Entry k288 = {F3_2Pt88_512, 80, 2, 36, 512}, k144 = {F3_1Pt44_512, 80, 2, 18, 512},
              k720 = {F3_720_512, 80, 2, 9, 512}, k12 = {F5_1Pt2_512, 80, 2, 15, 512},
              k360 = {F5_360_512, 40, 2, 9, 512}, k320k = {F5_320_1024, 40, 2, 4, 1024},
              k320 = {F5_320_512, 40, 2, 8, 512}, k180 = {F5_180_512, 40, 1, 9, 512},
              k160 = {F5_160_512, 40, 1, 8, 512};
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "zip.img", std::vector<uint8_t>(3 << 20)));
  struct Case {
    std::string drive;
    std::vector<Entry> types;
  } cases[] = {
      {"a:=floppy,empty,drive=360k", {k360, k320k, k320, k180, k160}},
      {"a:=floppy,empty,drive=1.2m", {k12, k360, k320k, k320, k180, k160}},
      {"a:=floppy,empty,drive=720k", {k720}},
      {"a:=floppy,empty", {k144, k720}},
      {"a:=floppy,empty,drive=2.88m", {k288, k144, k720}},
      {"a:=floppy,empty,drive=2.88m,bus=usb", {k144, k720}},
      {"a:=removable:" + dir / "zip.img", {{RemovableMedia, 3, 64, 32, 512}}},
  };
  for (const Case& c : cases) {
    Drives(c.drive);
    HANDLE h = Open();
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << c.drive;
    std::vector<DISK_GEOMETRY> out(8);
    memset(out.data(), 0xA5, out.size() * sizeof out[0]);
    Outcome o = Control(h, IOCTL_DISK_GET_MEDIA_TYPES, nullptr, 0, out.data(),
                        DWORD(out.size() * sizeof out[0]));
    ExpectOutcome(0, o, c.drive);
    ASSERT_EQ(c.types.size() * sizeof(DISK_GEOMETRY), o.done) << c.drive;
    for (size_t i = 0; i < c.types.size(); ++i) {
      const std::string what = c.drive + ", entry " + std::to_string(i);
      EXPECT_EQ(c.types[i].type, out[i].MediaType) << what;
      EXPECT_EQ(c.types[i].cylinders, out[i].Cylinders.QuadPart) << what;
      EXPECT_EQ(c.types[i].heads, out[i].TracksPerCylinder) << what;
      EXPECT_EQ(c.types[i].sectors, out[i].SectorsPerTrack) << what;
      EXPECT_EQ(c.types[i].bytes, out[i].BytesPerSector) << what;
    }
    Close(h);
  }

  // Room for fewer entries: as many as fit, and ERROR_MORE_DATA; under
  // one: ERROR_INSUFFICIENT_BUFFER. Without a medium in the drive.
  Drives("a:=floppy,empty,drive=2.88m");
  HANDLE h = Open();
  std::vector<DISK_GEOMETRY> out(3);
  struct Room {
    DWORD bytes;
    DWORD error, done;
  } rooms[] = {{3 * 24, 0, 72}, {2 * 24 + 23, ERROR_MORE_DATA, 48}, {24, ERROR_MORE_DATA, 24},
               {23, ERROR_INSUFFICIENT_BUFFER, 0}};
  for (const Room& r : rooms) {
    memset(out.data(), 0xA5, 3 * sizeof out[0]);
    Outcome o = Control(h, IOCTL_DISK_GET_MEDIA_TYPES, nullptr, 0, out.data(), r.bytes);
    ExpectOutcome(r.error, o, "room of " + std::to_string(r.bytes) + " bytes");
    EXPECT_EQ(r.done, o.done) << r.bytes;
    if (r.done >= 24) {
      EXPECT_EQ(F3_2Pt88_512, out[0].MediaType) << r.bytes;
    }
    if (r.done == 48) {
      EXPECT_EQ(0xA5u, reinterpret_cast<uint8_t*>(&out[2])[0]) << "untouched";
    }
  }
  Drives("a:=removable:" + dir / "missing.img");
  h = Open();
  ExpectOutcome(ERROR_NOT_READY,
                Control(h, IOCTL_DISK_GET_MEDIA_TYPES, nullptr, 0, out.data(), 3 * 24),
                "a removable drive without a medium");
}

// The internal floppy driver finds the medium's media type by what
// cylinder 0 carries: its sectors, their density, and for the 5.25"
// double-density types head 1.
TEST_F(StandInDisketteDrive, GeometryRecognisesTrackZero) {
  struct Case {
    const char* drive;
    MEDIA_TYPE request;
    std::vector<WORD> numbers;
    bool bothHeads;
    DWORD error;
    MEDIA_TYPE type;
    LONGLONG cylinders;
    DWORD heads, sectors;
  } cases[] = {
      {"drive=1.44m", F3_1Pt44_512, Numbered(1, 18), true, 0, F3_1Pt44_512, 80, 2, 18},
      {"drive=1.44m", F3_1Pt44_512, Numbered(1, 18), false, 0, F3_1Pt44_512, 80, 2, 18},
      {"drive=1.44m", F3_1Pt44_512, Numbered(1, 21), true, 0, F3_1Pt44_512, 80, 2, 21},
      {"drive=1.44m", F3_720_512, Numbered(1, 9), true, 0, F3_720_512, 80, 2, 9},
      {"drive=1.44m", F3_720_512, {9, 8, 7, 6, 5, 4, 3, 2, 1}, true, 0, F3_720_512, 80, 2, 9},
      {"drive=1.44m", F3_720_512, Numbered(1, 10), true, ERROR_UNRECOGNIZED_MEDIA, Unknown, 0, 0, 0},
      {"drive=1.44m", F3_1Pt44_512, Numbered(1, 15), true, ERROR_UNRECOGNIZED_MEDIA, Unknown, 0, 0, 0},
      {"drive=1.44m", F3_1Pt44_512, Numbered(2, 18), true, ERROR_UNRECOGNIZED_MEDIA, Unknown, 0, 0, 0},
      {"drive=2.88m", F3_2Pt88_512, Numbered(1, 36), true, 0, F3_2Pt88_512, 80, 2, 36},
      {"drive=2.88m", F3_2Pt88_512, Numbered(1, 21), true, 0, F3_1Pt44_512, 80, 2, 21},
      {"drive=1.2m", F5_1Pt2_512, Numbered(1, 15), true, 0, F5_1Pt2_512, 80, 2, 15},
      {"drive=1.2m", F5_1Pt2_512, Numbered(1, 18), true, ERROR_UNRECOGNIZED_MEDIA, Unknown, 0, 0, 0},
      {"drive=1.2m", F5_360_512, Numbered(1, 9), true, 0, F5_360_512, 40, 2, 9},
      {"drive=1.2m", F5_360_512, Numbered(1, 9), false, 0, F5_180_512, 40, 1, 9},
      {"drive=360k", F5_320_512, Numbered(1, 8), true, 0, F5_320_512, 40, 2, 8},
      {"drive=360k", F5_320_512, Numbered(1, 8), false, 0, F5_160_512, 40, 1, 8},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string what = std::string(c.drive) + ", " + std::to_string(c.numbers.size()) +
                             " sectors from " + std::to_string(c.numbers[0]) +
                             (c.bothHeads ? " on both heads" : " on head 0");
    Drives("a:=floppy:" + dir / "a.img,format=none," + c.drive);
    HANDLE h = Open();
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << what;
    for (DWORD head = 0; head < (c.bothHeads ? 2u : 1u); ++head)
      ExpectOutcome(0, FormatEx(h, c.request, 0, head, c.numbers), what + ": format");
    DISK_GEOMETRY g;
    Outcome o = Geometry(h, &g);
    ExpectOutcome(c.error, o, what);
    if (c.error == 0) {
      EXPECT_EQ(c.type, g.MediaType) << what;
      EXPECT_EQ(c.cylinders, g.Cylinders.QuadPart) << what << ": the media type's, not cylinder 0";
      EXPECT_EQ(c.heads, g.TracksPerCylinder) << what;
      EXPECT_EQ(c.sectors, g.SectorsPerTrack) << what;
    }
    Close(h);
  }
}

// What the volume maps to a track follows what track 0 carries now, not
// the last format request; a track in another layout or at another
// density has not the sectors the mapping asks for.
TEST_F(StandInDisketteDrive, VolumeMapsThroughTheLayoutOfTrackZero) {
  TempDir dir;
  const std::vector<uint8_t> image = Pattern(1474560, 2);
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
  Drives("a:=floppy:" + dir / "a.img");
  HANDLE h = Open();
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const uint32_t track144 = 18 * 512, track720 = 9 * 512;
  std::vector<uint8_t> track(track144);
  DISK_GEOMETRY g;

  ExpectOutcome(0, Format(h, F3_720_512, 5, 0), "5/0 as 720K");
  ExpectOutcome(0, Geometry(h, &g), "geometry");
  EXPECT_EQ(F3_1Pt44_512, g.MediaType) << "track 0 still says 1.44M";
  Outcome o = ReadAt(h, 10 * track144, &track);
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, o, "5/0 at the 1.44M density");
  EXPECT_EQ(0u, o.done);

  ExpectOutcome(0, Format(h, F3_720_512, 0, 0), "0/0 as 720K");
  ExpectOutcome(0, Geometry(h, &g), "geometry");
  EXPECT_EQ(F3_720_512, g.MediaType);
  EXPECT_EQ(9u, g.SectorsPerTrack);
  std::vector<uint8_t> small(track720);
  ExpectOutcome(0, ReadAt(h, 0, &small), "0/0 in the 720K layout");
  EXPECT_EQ(std::vector<uint8_t>(track720, 0xF6), small);
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, ReadAt(h, track720, &small), "0/1 is a 1.44M track");
  ExpectOutcome(0, ReadAt(h, 10 * track720, &small), "5/0 maps to the 720K track laid there");
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_EQ(std::vector<uint8_t>(track720, 0xF6), file) << "the medium as a 720K drive reads it";

  // Track 0 laid down as 1.44M again: the other tracks read as before,
  // all but the one laid down anew, and a track that lacks a sector (here
  // 18, its place taken by 19) gives up to the missing one.
  ExpectOutcome(0, Format(h, F3_1Pt44_512, 0, 0), "0/0 as 1.44M again");
  std::vector<WORD> numbers = Numbered(1, 17);
  numbers.push_back(19);
  ExpectOutcome(0, FormatEx(h, F3_1Pt44_512, 3, 1, numbers), "3/1 without sector 18");
  ExpectOutcome(0, Geometry(h, &g), "geometry");
  EXPECT_EQ(F3_1Pt44_512, g.MediaType);
  ExpectOutcome(0, ReadAt(h, track144, &track), "0/1");
  EXPECT_TRUE(std::equal(track.begin(), track.end(), image.begin() + track144));
  o = ReadAt(h, 7 * track144, &track);
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, o, "3/1 without sector 18");
  EXPECT_EQ(17 * 512u, o.done);
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  ASSERT_EQ(3u * 2 * track144, file.size()) << "the layout runs to cylinder 3";
  EXPECT_TRUE(std::equal(file.begin() + track144, file.end(), image.begin() + track144));
}

// A layout above the medium's density is laid down by the internal
// floppy driver, which does not verify it, but does not read back; a USB
// drive refuses it.
TEST_F(StandInDisketteDrive, DensityOfTheMedium) {
  TempDir dir;
  const std::vector<uint8_t> image = Pattern(737280, 4);
  ASSERT_TRUE(WriteWholeFile(dir / "a.img", image));
  ASSERT_TRUE(WriteWholeFile(dir / "b.img", image));
  Drives("a:=floppy:" + dir / "a.img;b:=floppy:" + dir / "b.img,bus=usb");
  HANDLE a = Open(), b = Open("\\\\.\\b:");
  ASSERT_NE(INVALID_HANDLE_VALUE, a);
  ASSERT_NE(INVALID_HANDLE_VALUE, b);
  DiskMedium* medium = MediumOfDrive('a');
  std::vector<uint8_t> track(18 * 512);

  ExpectOutcome(0, Format(a, F3_1Pt44_512, 4, 1), "4/1 as 1.44M on a DD medium");
  EXPECT_EQ(DWORD(ERROR_CRC),
            medium->methods->readSectors(medium, 4, 1, 1, 18, Density::kHD, track.data()));
  EXPECT_EQ(DWORD(ERROR_CRC),
            medium->methods->writeSectors(medium, 4, 1, 1, 1, Density::kHD, track.data()));
  ExpectOutcome(ERROR_SECTOR_NOT_FOUND, ReadAt(a, 9 * 9 * 512, &track), "4/1 at DD");
  ExpectOutcome(0, Format(a, F3_1Pt44_512, 0, 0), "0/0 as 1.44M on a DD medium");
  DISK_GEOMETRY g;
  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, Geometry(a, &g), "track 0 does not read back");
  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, ReadAt(a, 0, &track), "read");
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "a.img", &file));
  EXPECT_TRUE(file.empty()) << "no drive finds a layout on it: " << file.size();

  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, Format(b, F3_1Pt44_512, 0, 0), "USB: 1.44M on DD");
  ExpectOutcome(ERROR_UNRECOGNIZED_MEDIA, Format(b, F3_1Pt2_512, 4, 1), "USB: 1.2M on DD");
  ExpectOutcome(0, Geometry(b, &g), "USB geometry");
  EXPECT_EQ(F3_720_512, g.MediaType);
  track.resize(9 * 512);
  ExpectOutcome(0, ReadAt(b, 9 * 9 * 512, &track), "4/1 as it was");
  EXPECT_TRUE(std::equal(track.begin(), track.end(), image.begin() + 9 * 9 * 512));
  ASSERT_TRUE(ReadWholeFile(dir / "b.img", &file));
  EXPECT_TRUE(file == image);
}

// The USB floppy class driver: the geometry from the medium's capacity,
// the drive's default for a medium it does not know, only its table's
// types formatted and no extended format request.
TEST_F(StandInDisketteDrive, UsbDrive) {
  struct Case {
    const char* medium;  // ZOLT_DRIVES options of drive A:
    DWORD error;
    MEDIA_TYPE type;
    DWORD sectors;
    DWORD readError;  // of the first sector
  } cases[] = {
      {"format=1.44m", 0, F3_1Pt44_512, 18, 0},
      {"format=1.68m", 0, F3_1Pt44_512, 21, 0},
      {"format=720k", 0, F3_720_512, 9, 0},
      {"format=720k,media=hd", 0, F3_720_512, 9, 0},
      {"format=none", 0, F3_1Pt44_512, 18, ERROR_UNRECOGNIZED_MEDIA},
      {"format=2.88m,drive=2.88m", 0, F3_1Pt44_512, 18, ERROR_UNRECOGNIZED_MEDIA},
      {"empty", ERROR_NOT_READY, Unknown, 0, ERROR_NOT_READY},
  };
  TempDir dir;
  std::vector<uint8_t> sector(512);
  for (const Case& c : cases) {
    Drives(std::string("a:=floppy:") + dir / "a.img,bus=usb," + c.medium);
    HANDLE h = Open();
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << c.medium;
    DISK_GEOMETRY g;
    ExpectOutcome(c.error, Geometry(h, &g), c.medium);
    if (c.error == 0) {
      EXPECT_EQ(c.type, g.MediaType) << c.medium;
      EXPECT_EQ(80, g.Cylinders.QuadPart) << c.medium;
      EXPECT_EQ(2u, g.TracksPerCylinder) << c.medium;
      EXPECT_EQ(c.sectors, g.SectorsPerTrack) << c.medium;
    }
    ExpectOutcome(c.readError, ReadAt(h, 0, &sector), std::string(c.medium) + ": read");
    Close(h);
  }

  // An unformatted medium formatted and then written in the 1.44M layout.
  Drives("a:=floppy:" + dir / "b.img,bus=usb,format=none");
  HANDLE h = Open();
  ExpectOutcome(ERROR_INVALID_FUNCTION, FormatEx(h, F3_1Pt44_512, 0, 0, Numbered(1, 21)),
                "no extended format");
  ExpectOutcome(0, Format(h, F3_1Pt44_512, 0, 0, 0, 1), "cylinder 0");
  const std::vector<uint8_t> data = Pattern(36 * 512, 6);
  ExpectOutcome(0, WriteAt(h, 0, data), "write cylinder 0");
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadWholeFile(dir / "b.img", &file));
  EXPECT_TRUE(file == data);
}
