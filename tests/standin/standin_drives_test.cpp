// The stand-in's drive table: the ZOLT_DRIVES grammar as one table of good
// and bad entries, GetDriveTypeA and GetLogicalDrives over every kind and
// root form, the medium format from an image file's size, the machine's own
// drives, real block devices, and the restorer refusing a bad setting.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "devices/disk_medium.h"
#include "devices/diskette_drives.h"
#include "devices/drive_table.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

// Every test leaves the machine's drives in force, as a run without
// ZOLT_DRIVES has them.
class StandInDrives : public testing::Test {
 protected:
  void TearDown() override {
    std::string error;
    ParseDriveSetting(nullptr, &error);
  }
};

const char kEveryKind[] =
    "a:=floppy:/nonexistent/a.img;b:=removable:/nonexistent/b.img;c:=fixed;d:=remote;"
    "e:=cdrom;f:=ramdisk;G:=floppy,empty";

}  // namespace

TEST_F(StandInDrives, Grammar) {
  struct Case {
    const char* value;
    const char* error;  // nullptr: accepted; else a fragment of the message
  } cases[] = {
      {"a:=floppy:x.img", nullptr},
      {"A:=floppy:/nonexistent/dir/a.img", nullptr},  // created when first written
      {"a:=floppy:c:/images/x.img", nullptr},         // the path runs to the first ','
      {"a:=floppy,empty", nullptr},
      {"a:=floppy:x.img,empty", nullptr},
      {"b:=removable:zip.img,format=none,readonly", nullptr},
      {"a:=floppy:x.img,fail-write=0/0,fail-write=0/1x3,fail-format=79/1x1,fail-format=0/0",
       nullptr},
      {"a:=floppy:x.img,fail-write=65535/255x1000000000", nullptr},
      {kEveryKind, nullptr},
      {"z:=fixed;y:=remote;x:=cdrom;w:=ramdisk", nullptr},
      {"a:=floppy:x.img,drive=720k,media=dd", nullptr},
      {"a:=floppy:x.img,format=2.88m,drive=2.88m,media=ed", nullptr},
      {"a:=floppy:x.img,format=720k,media=ed,drive=2.88m", nullptr},
      {"a:=floppy:x.img,format=180k,drive=360k", nullptr},
      {"a:=floppy:x.img,bus=usb,drive=720k", nullptr},
      {"a:=floppy:x.img,busy;b:=removable:z.img,busy", nullptr},
      {"a:=floppy,empty,drive=2.88m,bus=usb", nullptr},
      {"a:=floppy:x.img,drive=1.5m", "entry 'a:=floppy:x.img,drive=1.5m': unknown drive '1.5m'"},
      {"a:=floppy:x.img,media=qd", "entry 'a:=floppy:x.img,media=qd': unknown media 'qd'"},
      {"a:=floppy:x.img,bus=scsi", "entry 'a:=floppy:x.img,bus=scsi': unknown bus 'scsi'"},
      {"a:=floppy:x.img,drive", "option 'drive' needs '=NAME'"},
      {"a:=floppy:x.img,drive=720k,drive=720k", "option 'drive' given twice"},
      {"a:=floppy:x.img,bus=usb,bus=usb", "option 'bus' given twice"},
      {"a:=floppy:x.img,busy=yes", "option 'busy' takes no value"},
      {"b:=removable:z.img,drive=720k", "entry 'b:=removable:z.img,drive=720k': option 'drive' is "
                                        "for floppy drives only"},
      {"b:=removable:z.img,media=hd", "option 'media' is for floppy drives only"},
      {"a:=floppy,empty,media=hd", "entry 'a:=floppy,empty,media=hd': option 'empty'"},
      {"a:=floppy,empty,busy", "entry 'a:=floppy,empty,busy': option 'empty'"},
      {"a:=floppy:x.img,drive=720k,media=ed",
       "entry 'a:=floppy:x.img,drive=720k,media=ed': a 720k drive takes no ed media"},
      {"a:=floppy:x.img,drive=360k,media=hd", "a 360k drive takes no hd media"},
      {"a:=floppy:x.img,media=ed", "a 1.44m drive takes no ed media"},
      {"a:=floppy:x.img,format=1.2m,drive=360k",
       "entry 'a:=floppy:x.img,format=1.2m,drive=360k': a 360k drive cannot carry a medium in the "
       "1.2m format"},
      {"a:=floppy:x.img,format=360k,drive=1.44m", "a 1.44m drive cannot carry a medium in the 3"},
      {"a:=floppy:x.img,format=2.88m,drive=1.44m", "drive cannot carry a medium in the 2.88m"},
      {"a:=floppy:x.img,format=1.44m,drive=720k", "a 720k drive cannot carry a medium in the"},
      {"a:=floppy:x.img,format=1.44m,media=dd",
       "entry 'a:=floppy:x.img,format=1.44m,media=dd': a dd medium cannot hold the 1.44m format"},
      {"a:=floppy:x.img,format=2.88m,media=hd", "a hd medium cannot hold the 2.88m format"},
      {"a:=floppy:x.img,drive=1.2m,bus=usb",
       "entry 'a:=floppy:x.img,drive=1.2m,bus=usb': a 1.2m drive cannot be on usb"},
      {"a:=floppy:x.img,format=360k,bus=usb", "a 1.2m drive cannot be on usb"},
      {"a:=floppy:x.img,format=1.5m", "entry 'a:=floppy:x.img,format=1.5m': unknown format '1.5m'"},
      {"a:=floppy:x.img,format=1.44M",
       "entry 'a:=floppy:x.img,format=1.44M': unknown format '1.44M'"},
      {"a:=floppy:x.img,format=", "entry 'a:=floppy:x.img,format=': unknown format ''"},
      {"a:=floppy:x.img,format", "entry 'a:=floppy:x.img,format': option 'format' needs"},
      {"a:=floppy:x.img,format=720k,format=720k", "format=720k': option 'format' given twice"},
      {"a:=tape:x.img", "entry 'a:=tape:x.img': unknown kind 'tape'"},
      {"a:=Floppy:x.img", "entry 'a:=Floppy:x.img': unknown kind 'Floppy'"},
      {"a:=", "entry 'a:=': unknown kind ''"},
      {"a:=floppy", "entry 'a:=floppy': missing path"},
      {"a:=floppy:", "entry 'a:=floppy:': missing path"},
      {"b:=removable,readonly", "entry 'b:=removable,readonly': missing path"},
      {"z:=device", "entry 'z:=device': missing path"},
      {"c:=fixed:/dev/sda", "entry 'c:=fixed:/dev/sda': kind 'fixed' takes no path"},
      {"e:=cdrom:", "entry 'e:=cdrom:': kind 'cdrom' takes no path"},
      {"c:=fixed,readonly", "entry 'c:=fixed,readonly': kind 'fixed' takes no options"},
      {"r:=ramdisk,empty", "entry 'r:=ramdisk,empty': kind 'ramdisk' takes no options"},
      {"z:=device:/dev/null,readonly",
       "entry 'z:=device:/dev/null,readonly': kind 'device' takes only the option 'bus=usb'"},
      {"z:=device:/dev/null", "entry 'z:=device:/dev/null': '/dev/null' is not a block device"},
      {"z:=device:/nonexistent/sdz", "entry 'z:=device:/nonexistent/sdz': '/nonexistent/sdz': "},
      {"a:=floppy:x.img,sparkle", "entry 'a:=floppy:x.img,sparkle': unknown option 'sparkle'"},
      {"a:=floppy:x.img,=720k", "entry 'a:=floppy:x.img,=720k': unknown option '=720k'"},
      {"a:=floppy:x.img,", "entry 'a:=floppy:x.img,': empty option"},
      {"a:=floppy:x.img,readonly,readonly", "option 'readonly' given twice"},
      {"a:=floppy:x.img,readonly=yes", "option 'readonly' takes no value"},
      {"a:=floppy:x.img,empty,readonly", "entry 'a:=floppy:x.img,empty,readonly': option 'empty'"},
      {"a:=floppy,empty,fail-write=1/0", "entry 'a:=floppy,empty,fail-write=1/0': option 'empty'"},
      {"a:=floppy:x.img,fail-write", "option 'fail-write' needs"},
      {"a:=floppy:x.img,fail-write=3", "malformed track '3' for fail-write"},
      {"a:=floppy:x.img,fail-write=3/", "malformed track '3/' for fail-write"},
      {"a:=floppy:x.img,fail-write=/1", "malformed track '/1' for fail-write"},
      {"a:=floppy:x.img,fail-format=3/1x", "malformed track '3/1x' for fail-format"},
      {"a:=floppy:x.img,fail-format=3/1x0", "malformed track '3/1x0' for fail-format"},
      {"a:=floppy:x.img,fail-format=3/1x-2", "malformed track '3/1x-2' for fail-format"},
      {"a:=floppy:x.img,fail-write=-1/0", "malformed track '-1/0' for fail-write"},
      {"a:=floppy:x.img,fail-write=+1/0", "malformed track '+1/0' for fail-write"},
      {"a:=floppy:x.img,fail-write=1/ 0", "malformed track '1/ 0' for fail-write"},
      {"a:=floppy:x.img,fail-write=65536/0", "malformed track '65536/0' for fail-write"},
      {"a:=floppy:x.img,fail-write=0/256", "malformed track '0/256' for fail-write"},
      {"a:=floppy:x.img,fail-write=0/0x99999999999999999999", "malformed track '0/0x9999"},
      {"a:=floppy:x.img,fail-write=0/0y2", "malformed track '0/0y2' for fail-write"},
      {"a:=floppy:x.img,fail-write=3/1,fail-write=3/1x2", "fail-write given twice for track 3/1"},
      {"a:=floppy:x.img;c:=fixed;A:=fixed", "entry 'A:=fixed': drive A: given twice"},
      {"1:=fixed", "entry '1:=fixed': a drive letter, ':' and '=' expected"},
      {"ab:=fixed", "entry 'ab:=fixed': a drive letter"},
      {"a=fixed", "entry 'a=fixed': a drive letter"},
      {"a:fixed", "entry 'a:fixed': a drive letter"},
      {" c:=fixed", "entry ' c:=fixed': a drive letter"},
      {"c", "entry 'c': a drive letter"},
      {"c:=fixed;;d:=remote", "empty entry"},
      {"c:=fixed;", "empty entry"},
      {";", "empty entry"},
  };
  const DWORD knownMask = 1u << 16;  // Q:
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting("q:=fixed", &error)) << error;
    bool accepted = ParseDriveSetting(c.value, &error);
    if (c.error == nullptr) {
      EXPECT_TRUE(accepted) << "'" << c.value << "' refused: " << error;
    } else {
      EXPECT_FALSE(accepted) << "'" << c.value << "' accepted";
      EXPECT_EQ(0u, error.find("ZOLT_DRIVES: ")) << error;
      EXPECT_NE(std::string::npos, error.find(c.error)) << "for '" << c.value << "': " << error;
      EXPECT_EQ(knownMask, GetLogicalDrives())
          << "'" << c.value << "': a refused setting leaves the table in force";
    }
  }
}

// A block device named as a simulated medium's image file is refused with
// the name it goes by.
TEST_F(StandInDrives, BlockDeviceIsNoImageFile) {
  std::string device;
  for (const char* candidate : {"/dev/loop0", "/dev/sda", "/dev/vda", "/dev/nvme0n1", "/dev/ram0"}) {
    struct stat st;
    if (stat(candidate, &st) == 0 && S_ISBLK(st.st_mode)) {
      device = candidate;
      break;
    }
  }
  if (device.empty()) GTEST_SKIP() << "no block device here";
  for (const char* kind : {"floppy", "removable"}) {
    std::string error;
    EXPECT_FALSE(ParseDriveSetting(("a:=" + std::string(kind) + ":" + device).c_str(), &error)) << kind;
    EXPECT_NE(std::string::npos, error.find("is a block device: name it device:" + device)) << error;
  }
}

TEST_F(StandInDrives, EntryFields) {
  std::string error;
  ASSERT_TRUE(ParseDriveSetting(
      "b:=floppy:/nonexistent/b.img,fail-write=3/1x2,readonly,format=1.2m,fail-write=79/0,"
      "fail-format=0/0x1;a:=removable:zip.img;C:=cdrom",
      &error))
      << error;
  const DriveEntry* b = FindDrive('b');
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(b, FindDrive('B')) << "letters are case-insensitive";
  EXPECT_EQ('B', b->letter);
  EXPECT_EQ(DriveKind::kFloppy, b->kind);
  EXPECT_EQ(UINT(DRIVE_REMOVABLE), b->driveType);
  EXPECT_EQ("/nonexistent/b.img", b->path);
  EXPECT_EQ(MediumFormat::k1200K, b->format);
  EXPECT_EQ(DisketteDrive::k1200K, b->disketteDrive);
  EXPECT_EQ(Density::kHD, b->density);
  EXPECT_FALSE(b->usb);
  EXPECT_FALSE(b->busy);
  EXPECT_TRUE(b->readonly);
  EXPECT_FALSE(b->empty);
  ASSERT_EQ(2u, b->failWrite.size());
  EXPECT_EQ(3, b->failWrite[0].cylinder);
  EXPECT_EQ(1, b->failWrite[0].head);
  EXPECT_EQ(2, b->failWrite[0].count);
  EXPECT_EQ(79, b->failWrite[1].cylinder);
  EXPECT_EQ(0, b->failWrite[1].head);
  EXPECT_EQ(-1, b->failWrite[1].count) << "without xN: for ever";
  ASSERT_EQ(1u, b->failFormat.size());
  EXPECT_EQ(0, b->failFormat[0].cylinder);
  EXPECT_EQ(1, b->failFormat[0].count);

  const DriveEntry* a = FindDrive('A');
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(DriveKind::kRemovable, a->kind);
  EXPECT_FALSE(a->readonly);
  EXPECT_TRUE(a->failWrite.empty());
  EXPECT_EQ(DriveKind::kCdrom, FindDrive('c')->kind);
  EXPECT_EQ(nullptr, FindDrive('D'));
  EXPECT_EQ(nullptr, FindDrive('1'));
}

TEST_F(StandInDrives, GetDriveTypeOfEveryKindAndRootForm) {
  std::string error;
  ASSERT_TRUE(ParseDriveSetting(kEveryKind, &error)) << error;
  struct Case {
    const char* root;
    UINT type;
  } cases[] = {
      {"a:", DRIVE_REMOVABLE},
      {"A:", DRIVE_REMOVABLE},
      {"a:\\", DRIVE_REMOVABLE},
      {"A:/", DRIVE_REMOVABLE},
      {"b:\\", DRIVE_REMOVABLE},
      {"C:\\", DRIVE_FIXED},
      {"d:", DRIVE_REMOTE},
      {"e:/", DRIVE_CDROM},
      {"F:", DRIVE_RAMDISK},
      {"g:", DRIVE_REMOVABLE},  // an empty drive is still a drive
      {"h:", DRIVE_NO_ROOT_DIR},
      {"Z:\\", DRIVE_NO_ROOT_DIR},
      {"", DRIVE_NO_ROOT_DIR},
      {"a", DRIVE_NO_ROOT_DIR},
      {"1:", DRIVE_NO_ROOT_DIR},
      {"ab:", DRIVE_NO_ROOT_DIR},
      {" a:", DRIVE_NO_ROOT_DIR},
      {"a:\\\\", DRIVE_NO_ROOT_DIR},
      {"a:\\x", DRIVE_NO_ROOT_DIR},
      {"a:.", DRIVE_NO_ROOT_DIR},
      {"\\\\.\\a:", DRIVE_NO_ROOT_DIR},
  };
  for (const Case& c : cases) {
    SetLastError(0xdeadbeef);
    UINT type = GetDriveTypeA(c.root);
    DWORD lastError = GetLastError();
    EXPECT_EQ(c.type, type) << "GetDriveTypeA(\"" << c.root << "\") returned " << type;
    // A drive's type is no failure and leaves the last error alone; a root
    // that is not there fails like opening it.
    DWORD expectedError = c.type == DRIVE_NO_ROOT_DIR ? ERROR_PATH_NOT_FOUND : 0xdeadbeef;
    EXPECT_EQ(expectedError, lastError) << "GetDriveTypeA(\"" << c.root << "\") set " << lastError;
  }
}

TEST_F(StandInDrives, GetLogicalDrivesIsTheTablesLetters) {
  struct Case {
    const char* value;
    DWORD mask;
  } cases[] = {
      {kEveryKind, 0x7F},
      {"a:=floppy:x.img", 0x1},
      {"z:=fixed;A:=floppy:x.img", 0x2000001},
      {"c:=fixed;e:=cdrom;m:=remote", (1u << 2) | (1u << 4) | (1u << 12)},
  };
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(c.value, &error)) << error;
    SetLastError(0xdeadbeef);
    DWORD mask = GetLogicalDrives();
    EXPECT_EQ(c.mask, mask) << c.value << ": got 0x" << std::hex << mask;
    EXPECT_EQ(0xdeadbeefu, GetLastError()) << c.value << ": set " << GetLastError();
  }
}

TEST_F(StandInDrives, MediumFormatFromFileSize) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "720k.img", std::vector<uint8_t>(737280, 0xF6)));
  ASSERT_TRUE(WriteWholeFile(dir / "1440k.img", std::vector<uint8_t>(1474560, 0xF6)));
  ASSERT_TRUE(WriteWholeFile(dir / "odd.img", std::vector<uint8_t>(737281, 0xF6)));
  ASSERT_TRUE(WriteWholeFile(dir / "zero.img", {}));
  ASSERT_EQ(0, mkdir((dir / "folder.img").c_str(), 0700));
  struct Case {
    std::string entry;
    MediumFormat format;
  } cases[] = {
      {"a:=floppy:" + dir / "720k.img", MediumFormat::k720K},
      {"a:=floppy:" + dir / "1440k.img", MediumFormat::k1440K},
      {"a:=removable:" + dir / "1440k.img", MediumFormat::k1440K},
      {"a:=floppy:" + dir / "missing.img", MediumFormat::kNone},
      {"a:=floppy:" + dir / "odd.img", MediumFormat::kNone},
      {"a:=floppy:" + dir / "zero.img", MediumFormat::kNone},
      {"a:=floppy:" + dir / "folder.img", MediumFormat::kNone},
      {"a:=floppy:" + dir / "720k.img,format=1.44m", MediumFormat::k1440K},  // as given
      {"a:=floppy:" + dir / "720k.img,format=none", MediumFormat::kNone},
      {"a:=floppy:" + dir / "missing.img,format=360k", MediumFormat::k360K},
      {"a:=floppy:" + dir / "720k.img,empty", MediumFormat::kNone},  // no medium
  };
  for (const Case& c : cases) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(c.entry.c_str(), &error)) << error;
    MediumFormat format = FindDrive('A')->format;
    EXPECT_EQ(c.format, format) << c.entry << ": got " << GeometryOf(format).name;
  }
}

// The drive's type and the medium's density that an entry leaves out.
TEST_F(StandInDrives, DriveTypeAndDensityDefaults) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "1200k.img", std::vector<uint8_t>(1228800, 0xF6)));
  struct Case {
    std::string options;  // of a floppy drive whose file is missing
    DisketteDrive drive;
    Density density;
    bool usb;
  } cases[] = {
      {"format=720k", DisketteDrive::k1440K, Density::kDD, false},
      {"format=1.44m", DisketteDrive::k1440K, Density::kHD, false},
      {"format=1.68m", DisketteDrive::k1440K, Density::kHD, false},
      {"format=2.88m", DisketteDrive::k2880K, Density::kED, false},
      {"format=160k", DisketteDrive::k1200K, Density::kDD, false},
      {"format=360k", DisketteDrive::k1200K, Density::kDD, false},
      {"format=1.2m", DisketteDrive::k1200K, Density::kHD, false},
      {"format=none", DisketteDrive::k1440K, Density::kHD, false},
      {"format=none,drive=2.88m", DisketteDrive::k2880K, Density::kED, false},
      {"format=none,drive=720k", DisketteDrive::k720K, Density::kDD, false},
      {"format=none,drive=360k", DisketteDrive::k360K, Density::kDD, false},
      {"format=720k,drive=2.88m", DisketteDrive::k2880K, Density::kDD, false},
      {"format=720k,media=hd", DisketteDrive::k1440K, Density::kHD, false},
      {"bus=usb", DisketteDrive::k1440K, Density::kHD, true},
      {"empty", DisketteDrive::k1440K, Density::kHD, false},
  };
  for (const Case& c : cases) {
    std::string error;
    std::string value = "a:=floppy:" + dir / "missing.img," + c.options;
    ASSERT_TRUE(ParseDriveSetting(value.c_str(), &error)) << error;
    const DriveEntry* a = FindDrive('A');
    EXPECT_EQ(c.drive, a->disketteDrive) << c.options << ": "
                                         << DisketteDriveName(a->disketteDrive);
    EXPECT_EQ(c.density, a->density) << c.options << ": " << DensityName(a->density);
    EXPECT_EQ(c.usb, a->usb) << c.options;
  }

  // The format a file's size gives must fit the drive as one named does.
  std::string error;
  std::string value = "a:=floppy:" + dir / "1200k.img";
  ASSERT_TRUE(ParseDriveSetting(value.c_str(), &error)) << error;
  EXPECT_EQ(DisketteDrive::k1200K, FindDrive('A')->disketteDrive);
  value += ",drive=1.44m";
  EXPECT_FALSE(ParseDriveSetting(value.c_str(), &error));
  EXPECT_EQ("ZOLT_DRIVES: entry '" + value +
                "': a 1.44m drive cannot carry a medium in the 1.2m format",
            error);

  // Windows 9x reaches no USB diskette drive.
  ASSERT_TRUE(ParseWindowsSetting("9x", &error));
  EXPECT_FALSE(ParseDriveSetting("c:=fixed;a:=floppy,empty,bus=usb", &error));
  EXPECT_EQ("ZOLT_DRIVES: entry 'a:=floppy,empty,bus=usb': a USB diskette drive (bus=usb) is not "
            "reached on Windows 9x",
            error);
  ASSERT_TRUE(ParseWindowsSetting(nullptr, &error));
}

TEST_F(StandInDrives, EveryFormatNameAndGeometry) {
  struct Case {
    const char* name;
    MediumFormat format;
    int sectorsPerTrack, heads, cylinders, totalSectors;
  } cases[] = {
      {"none", MediumFormat::kNone, 0, 0, 0, 0},
      {"160k", MediumFormat::k160K, 8, 1, 40, 320},
      {"180k", MediumFormat::k180K, 9, 1, 40, 360},
      {"320k", MediumFormat::k320K, 8, 2, 40, 640},
      {"360k", MediumFormat::k360K, 9, 2, 40, 720},
      {"720k", MediumFormat::k720K, 9, 2, 80, 1440},
      {"1.2m", MediumFormat::k1200K, 15, 2, 80, 2400},
      {"1.44m", MediumFormat::k1440K, 18, 2, 80, 2880},
      {"1.68m", MediumFormat::k1680K, 21, 2, 80, 3360},
      {"2.88m", MediumFormat::k2880K, 36, 2, 80, 5760},
  };
  for (const Case& c : cases) {
    std::string error;
    std::string value = std::string("a:=floppy:/nonexistent/a.img,format=") + c.name;
    ASSERT_TRUE(ParseDriveSetting(value.c_str(), &error)) << error;
    EXPECT_EQ(c.format, FindDrive('a')->format) << c.name;
    const MediumGeometry& g = GeometryOf(c.format);
    EXPECT_STREQ(c.name, g.name);
    EXPECT_EQ(c.sectorsPerTrack, g.sectorsPerTrack) << c.name;
    EXPECT_EQ(c.heads, g.heads) << c.name;
    EXPECT_EQ(c.cylinders, g.cylinders) << c.name;
    EXPECT_EQ(c.totalSectors, g.totalSectors) << c.name;
  }
}

// A made-up /sys/block: the diskette drive, disks that get letters and
// devices that do not.
TEST_F(StandInDrives, MachineTableFromSysBlock) {
  TempDir sys;
  const struct {
    const char* name;
    const char* removable;
  } devices[] = {
      {"fd0", "1"}, {"loop0", "0"}, {"ram0", "0"}, {"zram0", "0"},   {"dm-0", "0"}, {"sr1", "1"},
      {"sr0", "1"}, {"sdb", "1"},   {"vda", "0"},  {"nvme0n1", "0"}, {"sda", "0"},  {"sdaa", "0"},
  };
  for (const auto& d : devices) {
    ASSERT_EQ(0, mkdir((sys / d.name).c_str(), 0700));
    ASSERT_TRUE(
        WriteWholeFile(sys / d.name + "/removable", {uint8_t(d.removable[0]), uint8_t('\n')}));
  }
  DriveTable table = MachineDriveTable(sys.path());
  const struct {
    char letter;
    DriveKind kind;
    UINT type;
    const char* path;
  } expected[] = {
      {'A', DriveKind::kDevice, DRIVE_REMOVABLE, "/dev/fd0"},
      {'C', DriveKind::kFixed, DRIVE_FIXED, "/dev/sda"},
      {'D', DriveKind::kFixed, DRIVE_FIXED, "/dev/vda"},
      {'E', DriveKind::kFixed, DRIVE_FIXED, "/dev/sdaa"},
      {'F', DriveKind::kFixed, DRIVE_FIXED, "/dev/nvme0n1"},
      {'G', DriveKind::kCdrom, DRIVE_CDROM, "/dev/sr0"},
      {'H', DriveKind::kCdrom, DRIVE_CDROM, "/dev/sr1"},
  };
  ASSERT_EQ(std::size(expected), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(expected[i].letter, table[i].letter) << i;
    EXPECT_EQ(expected[i].kind, table[i].kind) << table[i].letter;
    EXPECT_EQ(expected[i].type, table[i].driveType) << table[i].letter;
    EXPECT_EQ(expected[i].path, table[i].path) << table[i].letter;
  }
  EXPECT_TRUE(MachineDriveTable(sys / "missing").empty());
}

TEST_F(StandInDrives, UnsetOrEmptySettingMeansTheMachinesDrives) {
  DWORD machine = 0;
  for (const DriveEntry& d : MachineDriveTable("/sys/block")) machine |= 1u << (d.letter - 'A');
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    std::string error;
    ASSERT_TRUE(ParseDriveSetting("q:=fixed", &error)) << error;
    ASSERT_TRUE(ParseDriveSetting(value, &error)) << error;
    EXPECT_EQ(machine, GetLogicalDrives()) << (value ? "empty" : "unset");
  }
}

// A real block device of this machine, typed from its removable mark.
TEST_F(StandInDrives, DeviceTypeFromTheSystem) {
  // The machine's first fixed disk is a fixed drive whose volume is never
  // opened, whatever the setting; a loop device is a removable medium.
  struct Case {
    std::string device;
    UINT type;
  };
  std::vector<Case> cases;
  for (const DriveEntry& d : MachineDriveTable("/sys/block")) {
    if (d.kind == DriveKind::kFixed && cases.empty()) cases.push_back({d.path, DRIVE_FIXED});
  }
  struct stat st;
  if (stat("/dev/loop0", &st) == 0 && S_ISBLK(st.st_mode)) cases.push_back({"/dev/loop0", DRIVE_REMOVABLE});
  if (cases.empty()) GTEST_SKIP() << "no block device on this machine";
  for (const Case& c : cases) {
    std::string value = "k:=device:" + c.device;
    std::string error;
    ASSERT_TRUE(ParseDriveSetting(value.c_str(), &error)) << error;
    SetLastError(0xdeadbeef);
    UINT type = GetDriveTypeA("K:\\");
    EXPECT_EQ(c.type, type) << value << ": got " << type;
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    EXPECT_EQ(DriveKind::kDevice, FindDrive('k')->kind);
    if (c.type == DRIVE_FIXED) {
      SetLastError(0xdeadbeef);
      HANDLE h = CreateFileA("\\\\.\\k:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      EXPECT_EQ(INVALID_HANDLE_VALUE, h) << value;
      EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError()) << value;
      EXPECT_EQ(nullptr, MediumOfDrive('k')) << "a fixed disk is never opened";
    }
  }
}

TEST(StandInDeathTest, NullDriveRootIsOutsideTheSubset) {
  EXPECT_DEATH(GetDriveTypeA(nullptr), "GetDriveTypeA: a null root .* not supported");
}

TEST(StandInStart, BadDriveSettingStopsTheRestorerAtOnce) {
  struct Case {
    const char* settings;
    const char* error;
  } cases[] = {
      {"ZOLT_WINDOWS=nt ZOLT_DRIVES='a:=floppy:x.img;c:=fixed,readonly'",
       "zolt: ZOLT_DRIVES: entry 'c:=fixed,readonly': kind 'fixed' takes no options\n"},
      // ZOLT_WINDOWS counts, whichever comes first in the environment.
      {"ZOLT_DRIVES='a:=floppy:x.img,bus=usb' ZOLT_WINDOWS=9x",
       "zolt: ZOLT_DRIVES: entry 'a:=floppy:x.img,bus=usb': a USB diskette drive (bus=usb) is not "
       "reached on Windows 9x\n"},
  };
  for (const Case& c : cases) {
    ProgramResult r =
        RunProgram(std::string(c.settings) + " timeout 10 " + BuiltProgram("zolt") + " a: /q");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, r.exitCode) << r.err;
    EXPECT_EQ(c.error, r.err);
    EXPECT_EQ("", r.out);
  }
}
