// Reading the header, the text block and the image of a container.
#include "pack/container_reader.h"

#include <cstring>
#include <memory>
#include <vector>

#include "container/container_offset.h"
#include "container/image_crc.h"
#include "container/substitution.h"
#include "pack/inflate_reader.h"
#include "container/le_bytes.h"
#include "pack/output_file.h"
#include "pack/text_block.h"

namespace {

bool FileSize(FILE* file, uint64_t* size) {
  if (fseeko(file, 0, SEEK_END) != 0) return false;
  off_t end = ftello(file);
  if (end < 0) return false;
  *size = uint64_t(end);
  return true;
}

std::string Hex2(uint8_t value) {
  char text[8];
  snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

// Reads and checks the header; `info` gets the offset, size and header.
bool ReadHeader(FILE* file, const ContainerLocation& where, ContainerInfo* info, std::string* error) {
  if (!FileSize(file, &info->fileSize)) {
    *error = "cannot find the size of the file";
    return false;
  }
  if (where.offsetGiven) {
    info->containerOffset = where.offset;
    if (where.offset >= info->fileSize) {
      *error = "the offset " + std::to_string(where.offset) + " is not inside the file (" +
               std::to_string(info->fileSize) + " bytes)";
      return false;
    }
  } else {
    const char* reason = nullptr;
    if (FindContainerOffset(file, &info->containerOffset, &reason) != 0) {
      *error = std::string("cannot tell where the container starts: ") + (reason ? reason : "unknown") +
               " (give --offset)";
      return false;
    }
    if (info->containerOffset >= info->fileSize) {
      *error = "the file holds no container: its program takes all of its " +
               std::to_string(info->fileSize) + " bytes";
      return false;
    }
  }

  ContainerHeader& h = info->header;
  int result = ReadContainerHeader(file, info->containerOffset, &h);
  if (result == 30 || result == 24) {
    *error = "the container header is cut short: the file ends " +
             std::to_string(info->fileSize - info->containerOffset) + " bytes after offset " +
             std::to_string(info->containerOffset);
    return false;
  }
  if (result != 0) {
    *error = "cannot read the container header";
    return false;
  }
  const char* reason = nullptr;
  if (CheckDiskFormat(h.format, &reason) != 0) {
    *error = std::string("the container's geometry cannot be restored: ") + reason;
    return false;
  }
  const uint64_t streamStart = uint64_t(info->containerOffset) + h.headerLength;
  const uint64_t available = info->fileSize - streamStart;
  if (h.deflateLength == 0) {
    *error = "the header gives an empty deflate stream";
    return false;
  }
  if (h.deflateLength > available) {
    // The restorer reads on to the end of the file and restores the image
    // when the stream ends within it (and its checksum matches): so does
    // the reader, with the length cut to what the file holds. A stream that
    // does not end there is still found cut short.
    info->declaredDeflateLength = h.deflateLength;
    h.deflateLength = uint32_t(available);
  }
  return true;
}

// Reads one catalogue or free-text record whose type byte has been read.
// Its header (type, length, count) must lie inside one 32 KiB window of the
// stream, since the restorer reads record headers window by window.
bool ReadTextRecord(InflateReader* reader, const char* name, TextRecord* record, std::string* error) {
  const uint64_t start = reader->position - 1;
  if (start % kStreamWindow + kRecordHeaderLength > kStreamWindow) {
    *error = std::string("the ") + name + " record header at stream offset " + std::to_string(start) +
             " straddles a 32768-byte window";
    return false;
  }
  uint8_t fields[8];
  size_t got;
  if (!InflateRead(reader, fields, sizeof fields, &got)) {
    *error = reader->error;
    return false;
  }
  if (got != sizeof fields) {
    *error = std::string("the stream ends inside the ") + name + " record header";
    return false;
  }
  const uint32_t length = GetU32(fields);
  record->count = GetU32(fields + 4);
  if (length < 4) {
    *error = std::string("the ") + name + " record gives the length " + std::to_string(length) +
             ", less than its count field";
    return false;
  }
  const uint32_t areaLength = length - 4;
  if (record->count > areaLength) {
    *error = std::string("the ") + name + " record claims " + std::to_string(record->count) +
             " texts in a string area of " + std::to_string(areaLength) + " bytes";
    return false;
  }
  if (areaLength > InflateMaxRemaining(reader)) {
    *error = std::string("the ") + name + " record claims " + std::to_string(areaLength) +
             " bytes, more than the rest of the deflate stream can hold";
    return false;
  }
  record->area.clear();
  uint8_t chunk[16384];
  while (record->area.size() < areaLength) {
    size_t want = areaLength - record->area.size();
    if (want > sizeof chunk) want = sizeof chunk;
    if (!InflateRead(reader, chunk, want, &got)) {
      *error = reader->error;
      return false;
    }
    record->area.append(reinterpret_cast<const char*>(chunk), got);
    if (got < want) {
      *error = std::string("the stream ends inside the ") + name + " record (" +
               std::to_string(record->area.size()) + " of " + std::to_string(areaLength) + " bytes)";
      return false;
    }
  }
  return true;
}

// Reads the next record type byte and checks that it is `expected`.
bool ReadRecordType(InflateReader* reader, uint8_t expected, const char* name, std::string* error) {
  const uint64_t at = reader->position;
  uint8_t type;
  size_t got;
  if (!InflateRead(reader, &type, 1, &got)) {
    *error = reader->error;
    return false;
  }
  if (got == 0) {
    *error = std::string("the stream ends before the ") + name;
    return false;
  }
  if (type == expected) return true;
  if (type == kCatalogueRecordType || type == kFreeTextRecordType || type == kImageMarker)
    *error = "record type " + Hex2(type) + " at stream offset " + std::to_string(at) + " where the " +
             name + " belongs";
  else
    *error = "unknown record type " + Hex2(type) + " at stream offset " + std::to_string(at) +
             " (expected the " + name + ")";
  return false;
}

// Reads the header and the text block; the reader is left at the first
// image byte.
bool OpenContainer(FILE* file, const ContainerLocation& where, ContainerInfo* info,
                   InflateReader* reader, std::string* error) {
  if (!ReadHeader(file, where, info, error)) return false;
  const ContainerHeader& h = info->header;
  if (!InflateOpen(reader, file, uint64_t(info->containerOffset) + h.headerLength, h.deflateLength, error))
    return false;
  if (!ReadRecordType(reader, kCatalogueRecordType, "catalogue record", error) ||
      !ReadTextRecord(reader, "catalogue", &info->catalogue, error) ||
      !ReadRecordType(reader, kFreeTextRecordType, "free-text record", error) ||
      !ReadTextRecord(reader, "free-text", &info->freeTexts, error))
    return false;
  if (info->freeTexts.count != uint32_t(kFreeTextCount)) {
    *error = "the free-text record holds " + std::to_string(info->freeTexts.count) +
             " texts instead of " + std::to_string(kFreeTextCount);
    return false;
  }
  if (!ReadRecordType(reader, kImageMarker, "image marker", error)) return false;
  info->textBlockLength = reader->position;
  return true;
}

// Looks for the trailer right after the stream.
void ReadTrailer(FILE* file, ContainerInfo* info) {
  const uint64_t at = uint64_t(info->containerOffset) + info->header.headerLength + info->header.deflateLength;
  uint8_t t[kTrailerLength];
  if (at + kTrailerLength > info->fileSize || fseeko(file, off_t(at), SEEK_SET) != 0 ||
      fread(t, 1, sizeof t, file) != sizeof t)
    return;
  info->trailerFound = t[0] == kTrailerChecksumType && GetU32(t + 1) == 4 && t[9] == kSignatureRecordType &&
                       GetU32(t + 10) == 37 && memcmp(t + 20, kTrailerSignature, sizeof kTrailerSignature) == 0;
  info->trailerAtEnd = info->trailerFound && at + kTrailerLength == info->fileSize;
  info->trailerCrc = GetU32(t + 5);
}

// Checks the typed password against the container's PasswordField and
// derives the table the image bytes pass through.
bool PasswordTable(FILE* file, const ContainerInfo& info, const std::string& password,
                   uint8_t table[256], ExtractReport* report, std::string* error) {
  const std::string field = TextRecordEntry(info.freeTexts, kPasswordFieldText);
  if (field.empty()) {
    for (int i = 0; i < 256; ++i) table[i] = uint8_t(i);
    report->passwordIgnored = !password.empty();
    return true;
  }
  if (password.empty()) {
    *error = "the container is password protected: give --password";
    return false;
  }
  if (password.size() > size_t(kMaxPasswordLength)) {
    *error = "wrong password (a password has at most " + std::to_string(kMaxPasswordLength) + " characters)";
    return false;
  }
  std::vector<char> upper(password.begin(), password.end());
  upper.push_back('\0');
  UpperCasePassword(upper.data());
  if (!DeriveSubstitutionTable(file, info.containerOffset, upper.data(), table) ||
      !PasswordMatches(upper.data(), field.c_str(), table)) {
    *error = "wrong password";
    return false;
  }
  return true;
}

// Streams the image (and drains the rest of the deflate stream) into `out`.
bool CopyImage(InflateReader* reader, const ContainerInfo& info, const uint8_t table[256], FILE* out,
               ExtractReport* report, std::string* error) {
  const uint64_t imageBytes = FormatImageBytes(info.header.format);
  report->imageBytes = imageBytes;
  if (imageBytes > InflateMaxRemaining(reader)) {
    *error = "the geometry gives an image of " + std::to_string(imageBytes) +
             " bytes, more than the deflate stream can hold";
    return false;
  }
  std::vector<uint8_t> chunk(65536);
  uint64_t done = 0;
  uint32_t crc = 0;
  while (done < imageBytes) {
    size_t want = imageBytes - done < chunk.size() ? size_t(imageBytes - done) : chunk.size();
    size_t got;
    if (!InflateRead(reader, chunk.data(), want, &got)) {
      *error = reader->error;
      return false;
    }
    for (size_t i = 0; i < got; ++i) chunk[i] = table[chunk[i]];
    crc = ImageCrcUpdate(crc, chunk.data(), uint32_t(got));
    if (got != 0 && fwrite(chunk.data(), 1, got, out) != got) {
      *error = "cannot write the image file";
      return false;
    }
    done += got;
    if (got < want) {
      *error = "the stream ends after " + std::to_string(done) + " of the image's " +
               std::to_string(imageBytes) + " bytes";
      return false;
    }
  }
  // Bytes beyond the image are not part of it, but the stream must still be
  // sound to its end.
  size_t got;
  do {
    if (!InflateRead(reader, chunk.data(), chunk.size(), &got)) {
      *error = reader->error;
      return false;
    }
  } while (got == chunk.size());
  report->imageCrc = crc;
  return true;
}

// With a deflate length past the end of the file, only a stream that ends
// within the file can be restored: a file cut short is told as such even
// when only its text block is read.
bool StreamEndsInTheFile(InflateReader* reader, const ContainerInfo& info, std::string* error) {
  std::vector<uint8_t> chunk(65536);
  size_t got;
  do {
    if (!InflateRead(reader, chunk.data(), chunk.size(), &got)) {
      *error = "the header gives a deflate stream of " + std::to_string(info.declaredDeflateLength) +
               " bytes, only " + std::to_string(info.header.deflateLength) + " follow the header, and " +
               reader->error;
      return false;
    }
  } while (got == chunk.size());
  return true;
}

}  // namespace

std::string TextRecordEntry(const TextRecord& record, uint32_t n) {
  if (n >= record.count) return std::string();
  size_t start = 0;
  for (uint32_t k = 0; k < n; ++k) {
    size_t nul = record.area.find('\0', start);
    if (nul == std::string::npos) return std::string();
    start = nul + 1;
  }
  size_t end = record.area.find('\0', start);
  return record.area.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool ReadContainerInfo(FILE* file, const ContainerLocation& where, ContainerInfo* info,
                       std::string* error) {
  *info = ContainerInfo();
  auto reader = std::make_unique<InflateReader>();
  bool ok = OpenContainer(file, where, info, reader.get(), error);
  if (ok && info->declaredDeflateLength != 0) ok = StreamEndsInTheFile(reader.get(), *info, error);
  InflateClose(reader.get());
  if (ok) ReadTrailer(file, info);
  return ok;
}

bool ExtractImage(FILE* file, const ContainerLocation& where, const std::string& password,
                  const std::string& outputPath, ExtractReport* report, std::string* error) {
  *report = ExtractReport();
  ContainerInfo info;
  auto reader = std::make_unique<InflateReader>();
  OutputFile output;
  uint8_t table[256];
  bool ok = OpenContainer(file, where, &info, reader.get(), error) &&
            PasswordTable(file, info, password, table, report, error) &&
            OpenOutputFile(outputPath, &output, error) &&
            CopyImage(reader.get(), info, table, output.file, report, error);
  if (ok && info.header.checksumPresent && report->imageCrc != info.header.imageCrc) {
    char text[96];
    snprintf(text, sizeof text, "CRC mismatch: the header gives %08X, the image has %08X",
             unsigned(info.header.imageCrc), unsigned(report->imageCrc));
    *error = text;
    ok = false;
  }
  report->checksumChecked = info.header.checksumPresent;
  report->declaredDeflateLength = info.declaredDeflateLength;
  report->deflateBytesInFile = info.header.deflateLength;
  InflateClose(reader.get());
  if (ok) return CommitOutputFile(&output, DefaultFileMode(), error);
  DiscardOutputFile(&output);
  return false;
}
