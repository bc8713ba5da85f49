// An ELF note at the front of the Linux restorer that keeps every password
// usable.
//
// A password's substitution table is derived from the restorer's own bytes,
// scanned from offset 512 + the sum of the password's bytes
// (container/substitution.h): each byte that is neither taken yet nor the
// value being placed takes the next place, so the scan cannot end when 0xFF
// is the one value left for the last place. Windows code is full of 0xFF
// (every indirect call and jump begins with it). The front of an ELF file
// is not: from offset 512 on lie the program headers, the dynamic symbols,
// their names and the relocations, which hold nearly every other value and
// often no 0xFF for tens of KiB (an x86-64 build had its first at offset
// 28,688). Whether they hold all 255 other values before a 0xFF depends on
// the code's layout, so any change to the program could make every
// password impossible (the builder refuses a password whose scan cannot
// end).
//
// The linker puts this note with the others right behind the program
// headers and the interpreter's name, before the dynamic symbols. Its
// descriptor holds 0xFF in every eighth byte and other values between, and
// reaches past the furthest place a scan can start (512 + 12 x 255 = 3,572):
// a scan that starts before it meets it after a few hundred bytes of headers
// at most, one that starts in it takes 0xFF within eight bytes. The table
// itself still comes from the bytes the scan meets.
#include <cstddef>
#include <cstdint>

namespace {

constexpr size_t kScanDescriptorSize = 4096;

// An ELF note: the sizes of the name and the descriptor, the type, then the
// name ("ZOLT" and its NUL, padded to four bytes) and the descriptor.
struct ScanNote {
  uint32_t nameSize;
  uint32_t descriptorSize;
  uint32_t type;
  char name[8];
  uint8_t descriptor[kScanDescriptorSize];
};

constexpr ScanNote MakeScanNote() {
  ScanNote note{5, uint32_t(kScanDescriptorSize), 0x5A4F, {'Z', 'O', 'L', 'T', 0, 0, 0, 0}, {}};
  for (size_t k = 0; k < kScanDescriptorSize; ++k)
    note.descriptor[k] = k % 8 == 7 ? 0xFF : uint8_t(k * 167 + 13);
  return note;
}

}  // namespace

// "used": nothing refers to it, and the linker must keep it all the same.
__attribute__((used, section(".note.zolt.scan"), aligned(4))) static const ScanNote kScanNote = MakeScanNote();
