// ZOLT_DRIVES: the drive table as a setting. Entries are separated by ';',
// each "X:=KIND[:PATH][,OPTION]...":
//
//   floppy:PATH     a diskette drive whose medium is the image file PATH
//   removable:PATH  a large removable medium, likewise
//   fixed, remote, cdrom, ramdisk   drives of those types, without a medium
//   device:PATH     a real block device; its drive type comes from the system
//
// Medium options, for floppy and removable only: format=NAME (the medium's
// present format; by default the one its file's size gives), readonly,
// empty (no medium; the path may then be left out), busy (another program
// has files open on the volume), fail-write=C/H[xN] and fail-format=C/H[xN]
// (requests on cylinder C head H fail N times, for ever without xN). For
// floppy only: drive=360k|1.2m|720k|1.44m|2.88m (the drive's type; by
// default 1.44m, or the 1.2m or 2.88m drive a medium of those formats
// needs), media=dd|hd|ed (the medium's density; by default the lowest that
// holds its present format, and for an unformatted medium the highest the
// drive takes) and bus=usb (a USB diskette drive, 3.5" only, not on Windows
// 9x). For device only: bus=usb (the device is a USB diskette drive, for
// one that declares the SCSI command set rather than UFI, which tells
// them apart by themselves). A path runs to the first ',' and so cannot
// hold one. Letters not
// listed do not exist. Every mistake, and every drive and medium that
// cannot exist together, is an error naming its entry, so that a test run
// never goes on with a table other than the one meant. ZOLT_WINDOWS must be
// in force before: a USB diskette drive depends on it.
#include <sys/stat.h>

#include <cstring>

#include "devices/diskette_drives.h"
#include "devices/drive_table.h"
#include "kernel32/standin.h"

namespace {

struct KindWord {
  const char* word;
  DriveKind kind;
  UINT driveType;    // DRIVE_UNKNOWN for device: asked of the system
  bool takesPath;    // and needs one
  bool takesMedium;  // the medium options
};

const KindWord kKinds[] = {
    {"floppy", DriveKind::kFloppy, DRIVE_REMOVABLE, true, true},
    {"removable", DriveKind::kRemovable, DRIVE_REMOVABLE, true, true},
    {"fixed", DriveKind::kFixed, DRIVE_FIXED, false, false},
    {"remote", DriveKind::kRemote, DRIVE_REMOTE, false, false},
    {"cdrom", DriveKind::kCdrom, DRIVE_CDROM, false, false},
    {"ramdisk", DriveKind::kRamdisk, DRIVE_RAMDISK, false, false},
    {"device", DriveKind::kDevice, DRIVE_UNKNOWN, true, false},
};

// Cylinders and heads as a diskette controller or a large removable drive
// can address them.
constexpr long kMaxCylinder = 65535;
constexpr long kMaxHead = 255;
constexpr long kMaxCount = 1000000000;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Decimal digits only (no sign, no blank), at most `max`.
bool ParseNumber(const std::string& digits, long max, long* value) {
  if (digits.empty()) return false;
  long n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
    if (n > max) return false;
  }
  *value = n;
  return true;
}

// "C/H" or "C/HxN" with N at least 1.
bool ParseTrackFault(const std::string& text, TrackFault* fault) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  size_t times = text.find('x', slash);
  long cylinder, head, count = -1;
  if (!ParseNumber(text.substr(0, slash), kMaxCylinder, &cylinder)) return false;
  if (!ParseNumber(text.substr(slash + 1, times - slash - 1), kMaxHead, &head)) return false;
  if (times != std::string::npos &&
      (!ParseNumber(text.substr(times + 1), kMaxCount, &count) || count < 1))
    return false;
  *fault = TrackFault{int(cylinder), int(head), int(count)};
  return true;
}

// Which options an entry gave, beyond the flags the entry holds.
struct GivenOptions {
  bool format = false;
  bool drive = false;
  bool density = false;
};

// A name=VALUE option whose value is one of a list of names.
template <typename T>
bool ParseNamedValue(const std::string& name, const std::string& value, bool hasValue,
                     bool* given, bool (*byName)(const std::string&, T*), T* result,
                     const char* names, std::string* why) {
  if (!hasValue) {
    *why = "option '" + name + "' needs '=NAME'";
    return false;
  }
  if (*given) {
    *why = "option '" + name + "' given twice";
    return false;
  }
  if (!byName(value, result)) {
    *why = "unknown " + name + " '" + value + "' (" + names + ")";
    return false;
  }
  *given = true;
  return true;
}

bool BusByName(const std::string& name, bool* usb) {
  *usb = name == "usb";
  return *usb;
}

bool ParseOption(const std::string& option, DriveEntry* drive, GivenOptions* given,
                 std::string* why) {
  size_t equals = option.find('=');
  std::string name = option.substr(0, equals);
  bool hasValue = equals != std::string::npos;
  std::string value = hasValue ? option.substr(equals + 1) : "";
  if (name.empty()) {
    *why = option.empty() ? "empty option" : "unknown option '" + option + "'";
    return false;
  }
  if (name == "readonly" || name == "empty" || name == "busy") {
    if (hasValue) {
      *why = "option '" + name + "' takes no value";
      return false;
    }
    bool* flag = name == "readonly" ? &drive->readonly
                 : name == "empty"  ? &drive->empty
                                    : &drive->busy;
    if (*flag) {
      *why = "option '" + name + "' given twice";
      return false;
    }
    *flag = true;
    return true;
  }
  const bool floppyOption = name == "drive" || name == "media" || name == "bus";
  const bool deviceBus = name == "bus" && drive->kind == DriveKind::kDevice;
  if (floppyOption && drive->kind != DriveKind::kFloppy && !deviceBus) {
    *why = "option '" + name + "' is for floppy drives only";
    return false;
  }
  if (name == "format")
    return ParseNamedValue(name, value, hasValue, &given->format, MediumFormatByName,
                           &drive->format,
                           "160k 180k 320k 360k 720k 1.2m 1.44m 1.68m 2.88m or none", why);
  if (name == "drive")
    return ParseNamedValue(name, value, hasValue, &given->drive, DisketteDriveByName,
                           &drive->disketteDrive, "360k 1.2m 720k 1.44m or 2.88m", why);
  if (name == "media")
    return ParseNamedValue(name, value, hasValue, &given->density, DensityByName,
                           &drive->density, "dd hd or ed", why);
  if (name == "bus") {
    bool given = drive->usb;
    return ParseNamedValue(name, value, hasValue, &given, BusByName, &drive->usb, "usb", why);
  }
  if (name == "fail-write" || name == "fail-format") {
    if (!hasValue) {
      *why = "option '" + name + "' needs '=C/H' or '=C/HxN'";
      return false;
    }
    TrackFault fault;
    if (!ParseTrackFault(value, &fault)) {
      *why = "malformed track '" + value + "' for " + name +
             " (C/H or C/HxN expected: cylinder, head, times from 1)";
      return false;
    }
    std::vector<TrackFault>& faults = name == "fail-write" ? drive->failWrite : drive->failFormat;
    for (const TrackFault& f : faults) {
      if (f.cylinder == fault.cylinder && f.head == fault.head) {
        *why = name + " given twice for track " + std::to_string(f.cylinder) + "/" +
               std::to_string(f.head);
        return false;
      }
    }
    faults.push_back(fault);
    return true;
  }
  *why = "unknown option '" + option + "'";
  return false;
}

bool RunsWindows9x() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The drive's type and the medium's density where the entry leaves them
// out, and the refusal of a drive and a medium that cannot go together.
bool SettleDisketteDrive(DriveEntry* drive, const GivenOptions& given, std::string* why) {
  const MediumFormat format = drive->format;
  const char* formatName = GeometryOf(format).name;
  if (!given.drive) drive->disketteDrive = DefaultDriveFor(format);
  const DisketteDrive type = drive->disketteDrive;
  const std::string driveName = std::string("a ") + DisketteDriveName(type) + " drive";
  if (drive->usb && !Is35InchDrive(type)) {
    *why = driveName + " cannot be on usb: USB diskette drives are 3.5\"";
    return false;
  }
  if (drive->usb && RunsWindows9x()) {
    *why = "a USB diskette drive (bus=usb) is not reached on Windows 9x";
    return false;
  }
  if (format != MediumFormat::kNone && !DriveCarriesFormat(type, format)) {
    *why = driveName + " cannot carry a medium in the " + formatName + " format";
    return false;
  }
  const MediumGeometry& g = GeometryOf(format);
  if (!given.density)
    drive->density =
        format == MediumFormat::kNone ? HighestDensity(type) : DensityOfSectors(g.sectorsPerTrack);
  if (!DriveTakesDensity(type, drive->density)) {
    *why = driveName + " takes no " + DensityName(drive->density) + " media";
    return false;
  }
  if (format != MediumFormat::kNone && DensityOfSectors(g.sectorsPerTrack) > drive->density) {
    *why = std::string("a ") + DensityName(drive->density) + " medium cannot hold the " +
           formatName + " format";
    return false;
  }
  return true;
}

bool ParseEntry(const std::string& entry, DriveEntry* drive, std::string* why) {
  char l = entry.size() >= 3 ? entry[0] : 0;
  bool letter = (l >= 'A' && l <= 'Z') || (l >= 'a' && l <= 'z');
  if (!letter || entry[1] != ':' || entry[2] != '=') {
    *why = "a drive letter, ':' and '=' expected at the start";
    return false;
  }
  *drive = DriveEntry{};
  drive->letter = char(l & ~0x20);
  drive->format = MediumFormat::kNone;

  std::vector<std::string> parts = Split(entry.substr(3), ',');
  const std::string& head = parts[0];
  size_t colon = head.find(':');
  std::string word = head.substr(0, colon);
  bool hasPath = colon != std::string::npos;
  drive->path = hasPath ? head.substr(colon + 1) : "";

  const KindWord* kind = nullptr;
  for (const KindWord& k : kKinds) {
    if (word == k.word) kind = &k;
  }
  if (kind == nullptr) {
    *why = "unknown kind '" + word + "' (floppy removable fixed remote cdrom ramdisk or device)";
    return false;
  }
  drive->kind = kind->kind;
  drive->driveType = kind->driveType;
  if (hasPath && !kind->takesPath) {
    *why = "kind '" + word + "' takes no path";
    return false;
  }
  if (parts.size() > 1 && !kind->takesMedium && kind->kind != DriveKind::kDevice) {
    *why = "kind '" + word + "' takes no options";
    return false;
  }
  for (size_t i = 1; i < parts.size() && kind->kind == DriveKind::kDevice; ++i) {
    if (parts[i] != "bus=usb") {
      *why = "kind 'device' takes only the option 'bus=usb'";
      return false;
    }
  }

  GivenOptions given;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!ParseOption(parts[i], drive, &given, why)) return false;
  }
  if (drive->empty && (given.format || given.density || drive->readonly || drive->busy ||
                       !drive->failWrite.empty() || !drive->failFormat.empty())) {
    *why = "option 'empty' (no medium) goes with no other medium option";
    return false;
  }
  if (kind->takesPath && drive->path.empty() && !drive->empty) {
    *why = "missing path";
    return false;
  }

  // A simulated medium is an image file; a block device given as one
  // would be written as a file of the simulation's own layout, past the
  // device rules (its drive type, mounted file systems).
  struct stat st;
  if (kind->takesMedium && !drive->path.empty() && stat(drive->path.c_str(), &st) == 0 &&
      S_ISBLK(st.st_mode)) {
    *why = drive->path + " is a block device: name it device:" + drive->path;
    return false;
  }
  if (drive->kind == DriveKind::kDevice && drive->usb && RunsWindows9x()) {
    *why = "a USB diskette drive (bus=usb) is not reached on Windows 9x";
    return false;
  }
  if (drive->kind == DriveKind::kDevice)
    return BlockDeviceDriveType(drive->path, &drive->driveType, why);
  if (kind->takesMedium && !given.format && !drive->empty)
    drive->format = MediumFormatOfFile(drive->path);
  return drive->kind != DriveKind::kFloppy || SettleDisketteDrive(drive, given, why);
}

}  // namespace

bool ParseDriveSetting(const char* value, std::string* error) {
  if (value == nullptr || value[0] == '\0') {
    SetDriveTable(MachineDriveTable("/sys/block"));
    return true;
  }
  DriveTable table;
  bool seen[26] = {};
  for (const std::string& entry : Split(value, ';')) {
    if (entry.empty()) {
      *error = std::string("ZOLT_DRIVES: empty entry (';' at an end or twice) in '") + value + "'";
      return false;
    }
    DriveEntry drive;
    std::string why;
    bool valid = ParseEntry(entry, &drive, &why);
    if (valid && seen[drive.letter - 'A']) {
      why = std::string("drive ") + drive.letter + ": given twice";
      valid = false;
    }
    if (!valid) {
      *error = "ZOLT_DRIVES: entry '" + entry + "': " + why;
      return false;
    }
    seen[drive.letter - 'A'] = true;
    table.push_back(drive);
  }
  SetDriveTable(table);
  return true;
}
