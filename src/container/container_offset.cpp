// The length of a PE or ELF program image, from its headers.
#include "container/container_offset.h"

#include <cstring>

#include "container/le_bytes.h"

namespace {

uint64_t U64(const uint8_t* p) { return uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32; }

bool ReadAt(FILE* file, uint64_t offset, void* buffer, size_t length) {
  if (offset > 0x7FFFFFFF) return false;
  if (fseek(file, long(offset), SEEK_SET) != 0) return false;
  return fread(buffer, 1, length, file) == length;
}

// PE: MZ header, e_lfanew at 3Ch, "PE\0\0", the COFF file header (section
// count at +6, optional header size at +20), then the section table of
// 40-byte entries (SizeOfRawData at +16, PointerToRawData at +20).
int PeImageLength(FILE* file, const uint8_t* dos, uint32_t* length, const char** reason) {
  uint32_t peOffset = GetU32(dos + 0x3C);
  uint8_t coff[24];
  if (!ReadAt(file, peOffset, coff, sizeof coff) || memcmp(coff, "PE\0\0", 4) != 0) {
    *reason = "the PE header is missing or cut short";
    return 13;
  }
  uint32_t sections = GetU16(coff + 4 + 2);
  uint32_t optionalSize = GetU16(coff + 4 + 16);
  if (sections == 0) {
    *reason = "the PE file has no sections";
    return 13;
  }
  uint64_t tableOffset = uint64_t(peOffset) + 24 + optionalSize;
  uint64_t end = tableOffset + uint64_t(sections) * 40;
  for (uint32_t i = 0; i < sections; ++i) {
    uint8_t entry[40];
    if (!ReadAt(file, tableOffset + uint64_t(i) * 40, entry, sizeof entry)) {
      *reason = "the PE section table is cut short";
      return 13;
    }
    uint32_t rawSize = GetU32(entry + 16);
    uint32_t rawPointer = GetU32(entry + 20);
    if (rawSize != 0 && uint64_t(rawPointer) + rawSize > end) end = uint64_t(rawPointer) + rawSize;
  }
  if (end > 0xFFFFFFFFu) {
    *reason = "the PE sections lie beyond 4 GiB";
    return 13;
  }
  *length = uint32_t(end);
  return 0;
}

// ELF: the file header gives the program and section header tables; the
// program ends with the furthest of them and of the segments' file images.
// The linker puts the section header table after every section's data, so
// its end is the end of the sections too; the table itself is never read,
// for it lies at the end of the file, and a file cut short before the
// container offset must be told as such (24), not as unreadable headers.
int ElfImageLength(FILE* file, const uint8_t* ident, uint32_t* length, const char** reason) {
  const bool is64 = ident[4] == 2;
  if ((ident[4] != 1 && ident[4] != 2) || ident[5] != 1) {
    *reason = "the ELF file is not a little-endian 32- or 64-bit file";
    return 13;
  }
  uint8_t h[64];
  if (!ReadAt(file, 0, h, is64 ? 64 : 52)) {
    *reason = "the ELF header is cut short";
    return 13;
  }
  uint64_t phoff = is64 ? U64(h + 32) : GetU32(h + 28);
  uint64_t shoff = is64 ? U64(h + 40) : GetU32(h + 32);
  uint32_t ehsize = GetU16(h + (is64 ? 52 : 40));
  uint32_t phentsize = GetU16(h + (is64 ? 54 : 42));
  uint32_t phnum = GetU16(h + (is64 ? 56 : 44));
  uint32_t shentsize = GetU16(h + (is64 ? 58 : 46));
  uint32_t shnum = GetU16(h + (is64 ? 60 : 48));
  const uint32_t phMin = is64 ? 56 : 32, shMin = is64 ? 64 : 40;
  if ((phnum != 0 && phentsize < phMin) || (shnum != 0 && shentsize < shMin)) {
    *reason = "the ELF header tables have impossible entry sizes";
    return 13;
  }

  uint64_t end = ehsize;
  if (phnum != 0 && phoff + uint64_t(phnum) * phentsize > end) end = phoff + uint64_t(phnum) * phentsize;
  if (shnum != 0 && shoff + uint64_t(shnum) * shentsize > end) end = shoff + uint64_t(shnum) * shentsize;

  for (uint32_t i = 0; i < phnum; ++i) {
    uint8_t p[56];
    if (!ReadAt(file, phoff + uint64_t(i) * phentsize, p, phMin)) {
      *reason = "the ELF program headers are cut short";
      return 13;
    }
    uint64_t offset = is64 ? U64(p + 8) : GetU32(p + 4);
    uint64_t fileSize = is64 ? U64(p + 32) : GetU32(p + 16);
    if (fileSize != 0 && offset + fileSize > end) end = offset + fileSize;
  }
  if (end > 0xFFFFFFFFu) {
    *reason = "the ELF file extends beyond 4 GiB";
    return 13;
  }
  *length = uint32_t(end);
  return 0;
}

}  // namespace

int FindContainerOffset(FILE* file, uint32_t* offset, const char** reason) {
  const char* why = nullptr;
  if (reason == nullptr) reason = &why;
  *reason = nullptr;
  uint8_t start[64];
  memset(start, 0, sizeof start);
  if (!ReadAt(file, 0, start, sizeof start)) {
    *reason = "the file is too short to be a program";
    return 13;
  }
  if (start[0] == 'M' && start[1] == 'Z') return PeImageLength(file, start, offset, reason);
  if (memcmp(start, "\x7F" "ELF", 4) == 0) return ElfImageLength(file, start, offset, reason);
  *reason = "the file is neither a PE nor an ELF program";
  return 13;
}
