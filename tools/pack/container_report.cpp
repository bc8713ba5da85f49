// Describing a container for people.
#include "pack/container_report.h"

#include <cstdarg>
#include <cstdio>

#include "pack/cp437.h"
#include "pack/formats.h"

namespace {

void Line(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Line(std::string* out, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  *out += text;
  *out += '\n';
}

// A free text under its heading, each line indented; CR LF (and a lone LF)
// end a line.
void FreeText(std::string* out, const char* heading, const std::string& cp437) {
  if (cp437.empty()) {
    Line(out, "%-22s(empty)", heading);
    return;
  }
  Line(out, "%s:", heading);
  std::string text = Cp437ToUtf8(cp437);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
    *out += "  " + text.substr(start, stop - start) + "\n";
    start = end + 1;
  }
}

}  // namespace

std::string DescribeContainer(const ContainerInfo& info) {
  const ContainerHeader& h = info.header;
  const DiskFormatRecord& f = h.format;
  std::string out;
  Line(&out, "%-22s%u", "container offset", unsigned(info.containerOffset));
  Line(&out, "%-22s%u bytes", "header length", unsigned(h.headerLength));
  Line(&out, "%-22s%02X %02X%s", "magic", h.magic & 0xFF, h.magic >> 8,
       h.magic == kContainerMagic ? "" : " (not AA 55: no checksum record)");
  if (info.declaredDeflateLength != 0)
    Line(&out, "%-22s%u bytes (past the end of the file: %u bytes follow the header)", "deflate length",
         unsigned(info.declaredDeflateLength), unsigned(h.deflateLength));
  else
    Line(&out, "%-22s%u bytes", "deflate length", unsigned(h.deflateLength));
  if (h.checksumPresent)
    Line(&out, "%-22spresent, CRC-32 %08X", "checksum", unsigned(h.imageCrc));
  else
    Line(&out, "%-22snone", "checksum");
  if (info.trailerFound)
    Line(&out, "%-22spresent%s, CRC-32 %08X%s", "trailer", info.trailerAtEnd ? "" : " (not at the end of the file)",
         unsigned(info.trailerCrc),
         h.checksumPresent && info.trailerCrc != h.imageCrc ? " (differs from the header)" : "");
  else
    Line(&out, "%-22snot found", "trailer");

  const StandardFormat* standard = StandardFormatMatching(f);
  Line(&out, "geometry%s%s", standard ? ": " : "", standard ? standard->name : "");
  Line(&out, "  %-20s%u", "bytes per sector", unsigned(f.bytesPerSector));
  Line(&out, "  %-20s%u", "sectors per cluster", unsigned(f.sectorsPerCluster));
  Line(&out, "  %-20s%u", "reserved sectors", unsigned(f.reservedSectors));
  Line(&out, "  %-20s%u", "FAT count", unsigned(f.fatCount));
  Line(&out, "  %-20s%u", "root entries", unsigned(f.rootEntries));
  Line(&out, "  %-20s%u", "total sectors (16)", unsigned(f.totalSectors16));
  Line(&out, "  %-20s%02X", "media descriptor", unsigned(f.mediaDescriptor));
  Line(&out, "  %-20s%u", "sectors per FAT", unsigned(f.sectorsPerFat));
  Line(&out, "  %-20s%u", "sectors per track", unsigned(f.sectorsPerTrack));
  Line(&out, "  %-20s%u", "heads", unsigned(f.heads));
  Line(&out, "  %-20s%u", "hidden sectors", unsigned(f.hiddenSectors));
  Line(&out, "  %-20s%u", "total sectors (32)", unsigned(f.totalSectors32));
  Line(&out, "  %-20s%02X %02X %02X %02X %02X %02X", "reserved", f.reserved[0], f.reserved[1], f.reserved[2],
       f.reserved[3], f.reserved[4], f.reserved[5]);
  Line(&out, "  %-20s%u", "cylinders", unsigned(f.cylinders));
  Line(&out, "  %-20s%u", "device type", unsigned(f.deviceType));
  Line(&out, "  %-20s%u", "reserved tail", unsigned(f.reservedTail));
  Line(&out, "  %-20s%u", "total sectors", unsigned(FormatTotalSectors(f)));
  Line(&out, "  %-20s%llu", "image bytes", (unsigned long long)FormatImageBytes(f));

  Line(&out, "%-22s%llu bytes", "text block", (unsigned long long)info.textBlockLength);
  // The restorer looks up messages up to number 92.
  Line(&out, "%-22s%u messages%s", "catalogue", unsigned(info.catalogue.count),
       info.catalogue.count < 93 ? " (fewer than the 93 the restorer uses)" : "");
  const std::string field = TextRecordEntry(info.freeTexts, kPasswordFieldText);
  if (field.empty())
    Line(&out, "%-22snone", "password");
  else
    Line(&out, "%-22sprotected (%u characters)", "password", unsigned(uint8_t(field[0])));
  FreeText(&out, "label", TextRecordEntry(info.freeTexts, kLabelText));
  FreeText(&out, "message to user", TextRecordEntry(info.freeTexts, kMessageText));
  FreeText(&out, "technical data", TextRecordEntry(info.freeTexts, kTechnicalDataText));
  return out;
}
