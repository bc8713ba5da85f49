// 32-bit addresses for the VWIN32 service on a 64-bit host. Registers and
// DISKIO records carry 32-bit addresses, which on Windows 9x are the
// pointers themselves; here each buffer the program names gets a token
// from a small table, and the service turns tokens back into pointers.
//
// A pointer already in the table keeps its token. When the table is full
// the entry used least recently makes room, and its token is never handed
// out again soon (tokens count up), so a stale address is refused instead
// of reaching another buffer. An interior pointer (a buffer + 1024) is a
// pointer of its own with its own token.
#include <cstdint>
#include <mutex>

#include "vwin32/vwin32_call.h"

namespace {

constexpr int kEntries = 64;
// Tokens look like addresses of a 32-bit process's heap: 16-byte steps
// from 0x10000000, never 0.
constexpr DWORD kFirstToken = 0x10000000u;
constexpr DWORD kTokenStep = 16;
constexpr DWORD kTokenCount = 0x0FFFFFFFu / kTokenStep;

struct AddressEntry {
  const void* pointer;  // nullptr: free
  DWORD token;
  uint64_t lastUse;
};

struct AddressTable {
  std::mutex lock;
  AddressEntry entries[kEntries] = {};
  uint64_t clock = 0;
  DWORD serial = 0;  // tokens given so far, modulo kTokenCount
};

AddressTable& Table() {
  static AddressTable table;
  return table;
}

bool TokenInUse(const AddressTable& table, DWORD token) {
  for (const AddressEntry& entry : table.entries)
    if (entry.pointer != nullptr && entry.token == token) return true;
  return false;
}

}  // namespace

DWORD Vwin32Address(const void* pointer) {
  if (pointer == nullptr) return 0;
  AddressTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  AddressEntry* oldest = &table.entries[0];
  for (AddressEntry& entry : table.entries) {
    if (entry.pointer == pointer) {
      entry.lastUse = ++table.clock;
      return entry.token;
    }
    // A free entry has never been used (0), so it goes before any other.
    if (entry.lastUse < oldest->lastUse) oldest = &entry;
  }
  DWORD token;
  do {
    table.serial = (table.serial + 1) % kTokenCount;
    token = kFirstToken + table.serial * kTokenStep;
  } while (TokenInUse(table, token));
  *oldest = {pointer, token, ++table.clock};
  return token;
}

void* ResolveVwin32Address(Vwin32Call* call, DWORD address) {
  AddressTable& table = Table();
  {
    std::lock_guard<std::mutex> hold(table.lock);
    for (AddressEntry& entry : table.entries) {
      if (entry.pointer != nullptr && entry.token == address) {
        entry.lastUse = ++table.clock;
        return const_cast<void*>(entry.pointer);
      }
    }
  }
  AddTraceHex(call, "unknown-address", address);
  return nullptr;
}
