// The stand-in's device: media over real block devices.
//
// A loop device made from a temporary file stands for a USB stick, and,
// given bus=usb, for a USB diskette drive. Making one needs root and
// losetup, and the file-system case mke2fs and mount; without them those
// tests are skipped.
//
// The floppy driver's drives are tested where tests/qemu/run boots this
// program in a virtual machine with diskette drives: ZOLT_TEST_FLOPPY
// names them there, "DEVICE=STATE" separated by ';', STATE being writable
// or readonly (a 1.44M medium) or empty (no medium). Elsewhere the floppy
// tests are skipped.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "devices/device_media.h"
#include "devices/disk_medium.h"
#include "helpers/diskette_images.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

constexpr uint32_t kMediumBytes = 1u << 20;

// A pattern that no zero-filled or shifted block passes for.
std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = uint8_t((i * 131 + i / 509 + seed) & 0xFF);
  return bytes;
}

// After a helper that may skip the test or fail fatally: whether the test
// is to end.
bool Ended() { return ::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure(); }

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// A loop device over a file of kMediumBytes in a temporary folder, drive
// A: of the drive table; detached at the end.
class DeviceMediumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
    ASSERT_TRUE(WriteWholeFile(image(), Pattern(kMediumBytes, 7)));
  }

  // Attaches the image (read-only with "-r") as a loop device.
  void Loop(const char* options = "") {
    ProgramResult r =
        RunProgram(std::string("losetup --find --show ") + options + " " + image() + " 2>&1");
    if (r.exitCode != 0) GTEST_SKIP() << "losetup failed: " << r.out;
    loop_ = FirstLine(r.out);
  }

  // Attaches the image, puts it in as A: (its entry's options after it).
  void Attach(const char* options = "", const std::string& entryOptions = "") {
    Loop(options);
    if (Ended()) return;
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(("a:=device:" + loop_ + entryOptions).c_str(), &error)) << error;
    medium_ = MediumOfDrive('A');
    ASSERT_NE(medium_, nullptr) << loop_;
  }

  // Makes an ext2 file system on the image, attaches it (as A: too with
  // `asDriveA`) and mounts it at dir/mnt.
  void MountExt2(bool asDriveA) {
    ProgramResult made = RunProgram("mke2fs -q -F -t ext2 " + image() + " 2>&1");
    if (made.exitCode != 0) GTEST_SKIP() << "mke2fs failed: " << made.out;
    if (asDriveA)
      Attach();
    else
      Loop();
    if (Ended()) return;
    mountPoint_ = dir_ / "mnt";
    ASSERT_EQ(mkdir(mountPoint_.c_str(), 0700), 0);
    if (mount(loop_.c_str(), mountPoint_.c_str(), "ext2", 0, nullptr) != 0) GTEST_SKIP() << "cannot mount ext2 here";
  }

  void TearDown() override {
    if (!mountPoint_.empty()) umount(mountPoint_.c_str());  // if still mounted
    std::string error;
    ParseDriveSetting("q:=fixed", &error);  // closes the medium record
    if (!loop_.empty()) RunProgram("losetup -d " + loop_);
  }

  std::string image() const { return dir_ / "medium.img"; }

  std::vector<uint8_t> ImageBytes() const {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(image(), &bytes));
    return bytes;
  }

  TempDir dir_;
  std::string loop_;
  std::string mountPoint_;
  DiskMedium* medium_ = nullptr;
};

TEST_F(DeviceMediumTest, SizeRoundTripAndShortTransfersAtTheEnd) {
  Attach();
  if (Ended()) return;
  MediumInfo info{};
  ASSERT_EQ(medium_->methods->query(medium_, &info), DWORD(ERROR_SUCCESS));
  EXPECT_TRUE(info.largeRemovable);
  EXPECT_EQ(info.sizeBytes, uint64_t(kMediumBytes));

  // A write reaches the medium (the file behind the device), not only a cache.
  const std::vector<uint8_t> sent = Pattern(8192, 99);
  uint32_t done = 0;
  ASSERT_EQ(medium_->methods->writeBytes(medium_, 65536, sent.data(), 8192, &done),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(done, 8192u);
  std::vector<uint8_t> back(8192, 0x5A);
  ASSERT_EQ(medium_->methods->readBytes(medium_, 65536, back.data(), 8192, &done),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(done, 8192u);
  EXPECT_EQ(back, sent);
  std::vector<uint8_t> expected = Pattern(kMediumBytes, 7);
  std::copy(sent.begin(), sent.end(), expected.begin() + 65536);
  EXPECT_EQ(ImageBytes(), expected);

  // Transfers that reach past the end are cut short there, without error.
  struct Case {
    uint64_t offset;
    uint32_t done;
  };
  const Case cases[] = {{kMediumBytes - 1024, 1024}, {kMediumBytes, 0}, {kMediumBytes + 512, 0}};
  for (const Case& c : cases) {
    std::vector<uint8_t> tail(4096, 0x5A);
    EXPECT_EQ(medium_->methods->readBytes(medium_, c.offset, tail.data(), 4096, &done),
              DWORD(ERROR_SUCCESS))
        << c.offset;
    EXPECT_EQ(done, c.done) << c.offset;
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + c.done, expected.begin() + c.offset));
    ASSERT_EQ(medium_->methods->writeBytes(medium_, c.offset, sent.data(), 4096, &done),
              DWORD(ERROR_SUCCESS))
        << c.offset;
    EXPECT_EQ(done, c.done) << c.offset;
  }
  std::vector<uint8_t> image = ImageBytes();
  EXPECT_EQ(image.size(), size_t(kMediumBytes));  // the device never grows its file
  EXPECT_TRUE(std::equal(image.end() - 1024, image.end(), sent.begin()));
}

TEST_F(DeviceMediumTest, ReadOnlyDeviceRefusesWritesAsWriteProtected) {
  Attach("-r");
  if (Ended()) return;
  std::vector<uint8_t> bytes(4096, 0x5A);
  uint32_t done = 1;
  EXPECT_EQ(medium_->methods->writeBytes(medium_, 0, bytes.data(), 4096, &done),
            DWORD(ERROR_WRITE_PROTECT));
  EXPECT_EQ(done, 0u);
  ASSERT_EQ(medium_->methods->readBytes(medium_, 0, bytes.data(), 4096, &done),
            DWORD(ERROR_SUCCESS));
  const std::vector<uint8_t> expected = Pattern(4096, 7);
  EXPECT_EQ(bytes, expected);
}

TEST_F(DeviceMediumTest, ReadsComeFromTheMediumNotTheCache) {
  // A read-back must see what the device holds. The backing file is
  // changed behind the loop device after a write: a read served from the
  // page cache would still give what was written.
  Attach();
  if (Ended()) return;
  const std::vector<uint8_t> written = Pattern(4096, 21), changed = Pattern(4096, 99);
  uint32_t done = 0;
  ASSERT_EQ(medium_->methods->writeBytes(medium_, 8192, written.data(), 4096, &done), DWORD(ERROR_SUCCESS));
  std::vector<uint8_t> bytes(4096);
  ASSERT_EQ(medium_->methods->readBytes(medium_, 8192, bytes.data(), 4096, &done), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(bytes, written);
  std::vector<uint8_t> file = ImageBytes();
  std::copy(changed.begin(), changed.end(), file.begin() + 8192);
  ASSERT_TRUE(WriteWholeFile(image(), file));
  ASSERT_EQ(medium_->methods->readBytes(medium_, 8192, bytes.data(), 4096, &done), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(bytes, changed) << "the read came from the cache";
}

TEST_F(DeviceMediumTest, MountedFileSystemRefusesLockAndWrites) {
  MountExt2(true);
  if (Ended()) return;
  const std::vector<uint8_t> before = ImageBytes();
  std::vector<uint8_t> bytes(4096, 0x5A);
  uint32_t done = 1;
  testing::internal::CaptureStderr();
  EXPECT_EQ(medium_->methods->lock(medium_), DWORD(ERROR_ACCESS_DENIED));
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, told.find(loop_ + " is not written: a file system on it is mounted on " + mountPoint_))
      << told;
  EXPECT_EQ(medium_->methods->writeBytes(medium_, 0, bytes.data(), 4096, &done),
            DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(done, 0u);
  ASSERT_EQ(medium_->methods->readBytes(medium_, 0, bytes.data(), 4096, &done),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(ImageBytes(), before);

  // Once unmounted it can be locked, and while it is nothing can mount it.
  ASSERT_EQ(umount(mountPoint_.c_str()), 0);
  ASSERT_EQ(medium_->methods->lock(medium_), DWORD(ERROR_SUCCESS));
  EXPECT_NE(mount(loop_.c_str(), mountPoint_.c_str(), "ext2", 0, nullptr), 0);
  EXPECT_EQ(medium_->methods->writeBytes(medium_, 0, bytes.data(), 4096, &done),
            DWORD(ERROR_SUCCESS));
  medium_->methods->unlock(medium_);
}

// A USB diskette drive holds one format at a time and tells it by its
// capacity: its tracks lie at linear addresses in that layout, and it
// lays down no other here.
TEST_F(DeviceMediumTest, UsbDisketteTracksLieInThePresentFormat) {
  const std::vector<uint8_t> diskette = Pattern(1474560, 3);
  ASSERT_TRUE(WriteWholeFile(image(), diskette));
  Attach("", ",bus=usb");
  if (Ended()) return;
  DriveInfo drive;
  medium_->methods->describeDrive(medium_, &drive);
  EXPECT_TRUE(drive.diskette && drive.usb);
  EXPECT_TRUE(drive.mediaTypes.empty()) << "it formats nothing here";
  MediumInfo info;
  ASSERT_EQ(DWORD(ERROR_SUCCESS), medium_->methods->query(medium_, &info));
  EXPECT_FALSE(info.largeRemovable);
  EXPECT_EQ(18, info.layout.sectorsPerTrack);
  EXPECT_EQ(2, info.layout.heads);
  EXPECT_EQ(80, info.layout.cylinders);

  // Cylinder 1 head 0 sector 1 is block 36; the last sector is block 2,879.
  std::vector<uint8_t> sector(512);
  ASSERT_EQ(DWORD(ERROR_SUCCESS),
            medium_->methods->readSectors(medium_, 1, 0, 1, 1, Density::kHD, sector.data()));
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), diskette.begin() + 36 * 512));
  const std::vector<uint8_t> written = Pattern(512, 77);
  ASSERT_EQ(DWORD(ERROR_SUCCESS),
            medium_->methods->writeSectors(medium_, 79, 1, 18, 1, Density::kHD, written.data()));
  const std::vector<uint8_t> file = ImageBytes();
  EXPECT_TRUE(std::equal(written.begin(), written.end(), file.begin() + 2879 * 512));

  // Sector 19 and cylinder 80 are not in the layout; nothing is formatted.
  EXPECT_EQ(DWORD(ERROR_SECTOR_NOT_FOUND),
            medium_->methods->readSectors(medium_, 0, 0, 19, 1, Density::kHD, sector.data()));
  EXPECT_EQ(DWORD(ERROR_SECTOR_NOT_FOUND),
            medium_->methods->writeSectors(medium_, 80, 0, 1, 1, Density::kHD, written.data()));
  const uint16_t numbers[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(DWORD(ERROR_NOT_SUPPORTED),
            medium_->methods->formatTrack(medium_, 0, 0, DiskLayout{9, 2, 80}, numbers, 9));
  EXPECT_EQ(file, ImageBytes());
}

// Restores onto a USB diskette drive: a diskette in the image's format is
// written and read back; one in another format is refused before anything
// is written, saying what the diskette holds.
TEST_F(DeviceMediumTest, UsbDisketteRestoreNeedsTheImagesFormat) {
  struct Case {
    ImageGeometry image;
    int exitCode;
    const char* lastLine;
  };
  const Case cases[] = {
      {{"1.44M", 512, 18, 2, 80, 2880}, 0, "Now you MUST REMOVE the diskette from the drive."},
      {{"720K", 512, 9, 2, 80, 1440}, 2030 & 0xFF, "Incompatible image file and diskette size"},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> before = FormattedMedium(2880, 18, 2);
    ASSERT_TRUE(WriteWholeFile(image(), before));
    Loop();
    if (Ended()) return;
    const PackedImage& packed = PackImage(c.image);
    const ProgramResult r = RestoreOntoA(packed.program, "nt", "a:=device:" + loop_ + ",bus=usb", "");
    RunProgram("losetup -d " + loop_);
    loop_.clear();
    const std::vector<std::string> lines = OutputLines(r.out);
    EXPECT_EQ(c.exitCode, r.exitCode) << c.image.name << "\n" << r.out << r.err;
    ASSERT_FALSE(lines.empty()) << r.err;
    EXPECT_EQ(c.lastLine, lines.back()) << c.image.name;
    EXPECT_NE(std::string::npos, r.err.find("USB diskette drive holding a 1.44M diskette")) << r.err;
    if (c.exitCode == 0) {
      EXPECT_TRUE(ImageBytes() == packed.image) << c.image.name << ": the diskette is not the image";
    } else {
      EXPECT_TRUE(ImageBytes() == before) << c.image.name << ": a refused run changed the diskette";
    }
  }
}

TEST(UsbDisketteDrive, KnownByItsInterface) {
  // sysfs as the kernel lays it out: /sys/dev/block/MAJOR:MINOR links to
  // the disk's folder below its SCSI host, below the USB interface.
  TempDir sys;
  struct Case {
    const char* device;      // MAJOR:MINOR
    const char* interface;   // class and subclass, or "" for no USB at all
    const char* disk;
    bool diskette;
  } cases[] = {
      {"8:16", "08 04", "sdb", true},         // UFI: a USB diskette drive
      {"8:17", "08 04", "sdb/sdb1", true},    // a partition of one
      {"8:32", "08 06", "sdc", false},        // SCSI transparent: a stick, a card reader
      {"253:0", "", "vda", false},            // not on USB
  };
  for (const Case& c : cases) {
    std::string folder = sys / "devices/pci0000:00/usb1/1-1";
    if (*c.interface) {
      folder += std::string("/1-1:1.0-") + c.disk[2];
      ASSERT_EQ(0, system(("mkdir -p " + folder).c_str()));
      const std::string cls(c.interface, 2), sub(c.interface + 3, 2);
      ASSERT_TRUE(WriteWholeFile(folder + "/bInterfaceClass", std::vector<uint8_t>(cls.begin(), cls.end())));
      ASSERT_TRUE(WriteWholeFile(folder + "/bInterfaceSubClass", std::vector<uint8_t>(sub.begin(), sub.end())));
    } else {
      folder = sys / "devices/pci0000:00/virtio1";
    }
    const std::string disk = folder + "/host6/target6:0:0/6:0:0:0/block/" + c.disk;
    ASSERT_EQ(0, system(("mkdir -p " + disk + " " + sys.path() + "/dev/block").c_str()));
    ASSERT_EQ(0, symlink(disk.c_str(), (sys / "dev/block/" + c.device).c_str()));
    unsigned maj, min;
    ASSERT_EQ(2, sscanf(c.device, "%u:%u", &maj, &min));
    EXPECT_EQ(c.diskette, IsUsbDisketteDrive(makedev(maj, min), sys / "dev/block")) << c.device;
  }
  EXPECT_FALSE(IsUsbDisketteDrive(makedev(8, 48), sys / "dev/block")) << "no such device";
}

// The device of ZOLT_TEST_FLOPPY in `state`, or "".
std::string FloppyDriveWith(const std::string& state) {
  const char* setting = getenv("ZOLT_TEST_FLOPPY");
  std::string list = setting != nullptr ? setting : "";
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    size_t equals = entry.find('=');
    if (equals != std::string::npos && entry.substr(equals + 1) == state)
      return entry.substr(0, equals);
    start = end + 1;
  }
  return "";
}

// A 1.44M diskette: 18 sectors, 2 heads, 80 cylinders.
const DiskLayout k144{18, 2, 80};
const DiskLayout k720{9, 2, 80};

std::vector<uint16_t> Numbers(int count) {
  std::vector<uint16_t> numbers;
  for (int i = 1; i <= count; ++i) numbers.push_back(uint16_t(i));
  return numbers;
}

// Drive A: is the floppy drive ZOLT_TEST_FLOPPY lists in the state the
// test's name ends with.
class FloppyDriveTest : public ::testing::Test {
 protected:
  // Skips the test when there is no such drive; the caller ends then
  // (Ended).
  void Use(const char* state) {
    std::string device = FloppyDriveWith(state);
    if (device.empty()) GTEST_SKIP() << "no " << state << " floppy drive (tests/qemu/run)";
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(("a:=device:" + device).c_str(), &error)) << error;
    medium_ = MediumOfDrive('A');
    ASSERT_NE(medium_, nullptr) << device;
  }

  void TearDown() override {
    std::string error;
    ParseDriveSetting("q:=fixed", &error);
  }

  DWORD Query(DiskLayout* layout) {
    MediumInfo info{};
    info.largeRemovable = true;
    DWORD error = medium_->methods->query(medium_, &info);
    EXPECT_FALSE(info.largeRemovable);
    *layout = info.layout;
    return error;
  }

  DiskMedium* medium_ = nullptr;
};

void ExpectLayout(const DiskLayout& layout, const DiskLayout& expected) {
  EXPECT_EQ(layout.sectorsPerTrack, expected.sectorsPerTrack);
  EXPECT_EQ(layout.heads, expected.heads);
  EXPECT_EQ(layout.cylinders, expected.cylinders);
}

TEST_F(FloppyDriveTest, WritableMediumRoundTripAndFormatRequests) {
  Use("writable");
  if (Ended()) return;
  DiskLayout layout;
  ASSERT_EQ(Query(&layout), DWORD(ERROR_SUCCESS));
  ExpectLayout(layout, k144);
  ASSERT_EQ(medium_->methods->lock(medium_), DWORD(ERROR_SUCCESS));

  // What is written reads back from the medium.
  const std::vector<uint8_t> track = Pattern(18 * 512, 3);
  ASSERT_EQ(medium_->methods->writeSectors(medium_, 5, 1, 1, 18, Density::kAny, track.data()),
            DWORD(ERROR_SUCCESS));
  std::vector<uint8_t> back(track.size(), 0x5A);
  ASSERT_EQ(medium_->methods->readSectors(medium_, 5, 1, 1, 18, Density::kAny, back.data()),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(back, track);
  ASSERT_EQ(medium_->methods->readSectors(medium_, 5, 1, 10, 2, Density::kAny, back.data()),
            DWORD(ERROR_SUCCESS));
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 1024, track.begin() + 9 * 512));

  // Sectors the layout does not have.
  struct Place {
    int cylinder, head, sector, count;
  };
  const Place outside[] = {{0, 0, 19, 1}, {0, 0, 18, 2}, {80, 0, 1, 1}, {0, 2, 1, 1}, {0, 0, 0, 1}};
  for (const Place& p : outside) {
    EXPECT_EQ(medium_->methods->writeSectors(medium_, p.cylinder, p.head, p.sector, p.count,
                                             Density::kAny, track.data()),
              DWORD(ERROR_SECTOR_NOT_FOUND))
        << p.cylinder << "/" << p.head << "/" << p.sector << "x" << p.count;
    EXPECT_EQ(
        medium_->methods->readSectors(medium_, p.cylinder, p.head, p.sector, p.count,
                                      Density::kAny, back.data()),
        DWORD(ERROR_SECTOR_NOT_FOUND))
        << p.cylinder << "/" << p.head << "/" << p.sector << "x" << p.count;
  }

  // A track formatted in another layout: the drive reads the medium in
  // that layout from then on. The virtual machine's controller takes format
  // requests but lays nothing down, so this medium keeps its 1.44M format
  // and reads in the 720K layout no more; after a dismount the query finds
  // the medium's own format again. (The controller does take a format's
  // sector count for its address arithmetic, so a track is formatted in
  // the 1.44M layout before the medium is read further.)
  const std::vector<uint16_t> numbers = Numbers(18);
  EXPECT_EQ(medium_->methods->formatTrack(medium_, 0, 0, k720, numbers.data(), 9),
            DWORD(ERROR_SUCCESS));
  ASSERT_EQ(Query(&layout), DWORD(ERROR_SUCCESS));
  ExpectLayout(layout, k720);
  EXPECT_EQ(medium_->methods->readSectors(medium_, 0, 0, 1, 9, Density::kAny, back.data()),
            DWORD(ERROR_SECTOR_NOT_FOUND));
  medium_->methods->flush(medium_);
  ASSERT_EQ(Query(&layout), DWORD(ERROR_SUCCESS));
  ExpectLayout(layout, k144);
  EXPECT_EQ(medium_->methods->formatTrack(medium_, 79, 1, k144, numbers.data(), 18),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(medium_->methods->readSectors(medium_, 5, 1, 1, 18, Density::kAny, back.data()),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(back, track);
  // A layout the drive has no format for.
  EXPECT_EQ(medium_->methods->formatTrack(medium_, 0, 0, DiskLayout{15, 2, 80}, numbers.data(), 15),
            DWORD(ERROR_INVALID_PARAMETER));
  medium_->methods->unlock(medium_);
}

TEST_F(FloppyDriveTest, ReadOnlyMediumRefusesWritesAndFormats) {
  Use("readonly");
  if (Ended()) return;
  DiskLayout layout;
  ASSERT_EQ(Query(&layout), DWORD(ERROR_SUCCESS));
  ExpectLayout(layout, k144);
  std::vector<uint8_t> before(18 * 512), after(18 * 512, 0x5A);
  ASSERT_EQ(medium_->methods->readSectors(medium_, 3, 0, 1, 18, Density::kAny, before.data()),
            DWORD(ERROR_SUCCESS));
  const std::vector<uint8_t> track = Pattern(18 * 512, 5);
  EXPECT_EQ(medium_->methods->writeSectors(medium_, 3, 0, 1, 18, Density::kAny, track.data()),
            DWORD(ERROR_WRITE_PROTECT));
  const std::vector<uint16_t> numbers = Numbers(18);
  EXPECT_EQ(medium_->methods->formatTrack(medium_, 3, 0, k144, numbers.data(), 18),
            DWORD(ERROR_WRITE_PROTECT));
  // The track reads as the medium has it, not as it was sent.
  ASSERT_EQ(medium_->methods->readSectors(medium_, 3, 0, 1, 18, Density::kAny, after.data()),
            DWORD(ERROR_SUCCESS));
  EXPECT_EQ(after, before);
}

TEST_F(FloppyDriveTest, EmptyDriveIsNotReady) {
  Use("empty");
  if (Ended()) return;
  DiskLayout layout;
  EXPECT_EQ(Query(&layout), DWORD(ERROR_NOT_READY));
  std::vector<uint8_t> track(18 * 512, 0x5A);
  const std::vector<uint16_t> numbers = Numbers(18);
  EXPECT_EQ(medium_->methods->readSectors(medium_, 0, 0, 1, 18, Density::kAny, track.data()),
            DWORD(ERROR_NOT_READY));
  EXPECT_EQ(medium_->methods->writeSectors(medium_, 0, 0, 1, 18, Density::kAny, track.data()),
            DWORD(ERROR_NOT_READY));
  EXPECT_EQ(medium_->methods->formatTrack(medium_, 0, 0, k144, numbers.data(), 18),
            DWORD(ERROR_NOT_READY));
  EXPECT_EQ(medium_->methods->lock(medium_), DWORD(ERROR_NOT_READY));
}

}  // namespace

// A loop device named on the command line by its path is the target: a
// removable medium, written as such on both families; with a file system
// of it mounted, the run is refused, stderr says where it is mounted, the
// process ends non-zero and the medium stays as it was.
TEST_F(DeviceMediumTest, LoopDeviceNamedByItsPathIsTheTarget) {
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  for (const char* family : {"nt", "9x"}) {
    SCOPED_TRACE(family);
    // Above 5,760 sectors: Windows 9x takes a smaller one for a diskette.
    const std::vector<uint8_t> before = Pattern(4u << 20, 9);
    ASSERT_TRUE(WriteWholeFile(image(), before));
    Loop();
    if (Ended()) return;
    const ProgramResult r = RunProgram(std::string("ZOLT_CLOCK=virtual ZOLT_WINDOWS=") + family +
                                       " ZOLT_DRIVES='a:=floppy:" + dir_ / "a.img" + "' timeout 120 " +
                                       packed.program + " " + loop_ + " /Q /T1 </dev/null");
    RunProgram("losetup -d " + loop_);
    loop_.clear();
    const std::vector<std::string> lines = OutputLines(r.out);
    EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    ASSERT_FALSE(lines.empty()) << r.err;
    EXPECT_EQ("Now you MUST REMOVE the diskette from the drive.", lines.back());
    const std::vector<uint8_t> after = ImageBytes();
    EXPECT_EQ(MediumAfter::kImageAtStart, CompareMedium(packed.image, true, before, true, after))
        << Describe(CompareMedium(packed.image, true, before, true, after));
    EXPECT_FALSE(FileExists(dir_ / "a.img")) << "drive A: was written";
  }
}

TEST_F(DeviceMediumTest, MountedLoopDeviceNamedByItsPathIsRefused) {
  ASSERT_TRUE(WriteWholeFile(image(), std::vector<uint8_t>(2u << 20, 0)));
  MountExt2(false);
  if (Ended()) return;
  const std::vector<uint8_t> before = ImageBytes();
  const PackedImage& packed = PackImage({"1.44M", 512, 18, 2, 80, 2880});
  for (const char* family : {"nt", "9x"}) {
    SCOPED_TRACE(family);
    const ProgramResult r = RunProgram(std::string("ZOLT_CLOCK=virtual ZOLT_WINDOWS=") + family +
                                       " ZOLT_DRIVES='a:=floppy:" + dir_ / "a.img" + "' timeout 120 " +
                                       packed.program + " " + loop_ + " /Q /T1 </dev/null");
    EXPECT_NE(0, r.exitCode) << r.out << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find(loop_ + " is not written: a file system on it is mounted on " + mountPoint_))
        << r.err;
    EXPECT_FALSE(FileExists(dir_ / "a.img")) << "drive A: was written";
  }
  // The file system's own writes (its superblock at 1,024) aside, nothing
  // changed: the image's boot sector would lie in the first 512 bytes.
  const std::vector<uint8_t> after = ImageBytes();
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 1024, after.begin())) << "the boot sector was written";
  EXPECT_NE(MediumAfter::kImageAtStart, CompareMedium(packed.image, true, before, true, after));
}
