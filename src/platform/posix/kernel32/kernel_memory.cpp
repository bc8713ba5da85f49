// Global memory: GlobalAlloc, GlobalLock, GlobalUnlock and GlobalFree, as
// the print dialog hands its printer selection over.
//
// As on Windows, a GMEM_FIXED block's handle is the block's address, and a
// GMEM_MOVEABLE block has a handle of its own that GlobalLock turns into
// the address while counting locks. Nothing is ever moved here. An HGLOBAL
// is not a kernel handle: CloseHandle does not know it, on Windows either.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

struct GlobalBlock {
  void* data;
  bool moveable;
  DWORD locks;  // GlobalLock calls not yet undone (moveable blocks only)
};

struct GlobalTable {
  std::mutex lock;
  std::unordered_map<HGLOBAL, GlobalBlock> blocks;
  // Handles of moveable blocks: 4 past a multiple of 16, never the address
  // of a fixed block (malloc aligns those to 16).
  uintptr_t nextMoveable = 0x10004;
};

GlobalTable& Table() {
  static GlobalTable* table = new GlobalTable;  // never destroyed, like the threads
  return *table;
}

// Memory handed out without GMEM_ZEROINIT holds this, so that a caller
// counting on zeros shows it here rather than on Windows.
const int kFreshMemoryPattern = 0xA5;

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  if ((flags & ~UINT(GMEM_MOVEABLE | GMEM_ZEROINIT)) != 0)
    StandInUnsupported("GlobalAlloc", "flags other than GMEM_FIXED, GMEM_MOVEABLE, GMEM_ZEROINIT");
  void* data = malloc(bytes == 0 ? 1 : bytes);
  if (data == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  memset(data, (flags & GMEM_ZEROINIT) ? 0 : kFreshMemoryPattern, bytes);
  bool moveable = (flags & GMEM_MOVEABLE) != 0;
  GlobalTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  HGLOBAL handle = HGLOBAL(data);
  if (moveable) {
    handle = HGLOBAL(table.nextMoveable);
    table.nextMoveable += 16;
  }
  table.blocks[handle] = GlobalBlock{data, moveable, 0};
  return handle;
}

LPVOID GlobalLock(HGLOBAL memory) {
  GlobalTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  auto found = table.blocks.find(memory);
  if (found == table.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (found->second.moveable) found->second.locks++;
  return found->second.data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
  GlobalTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  auto found = table.blocks.find(memory);
  if (found == table.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  GlobalBlock& block = found->second;
  if (!block.moveable) return TRUE;  // fixed memory has no lock count
  if (block.locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  // Windows answers FALSE with NO_ERROR when the last lock is undone.
  if (--block.locks == 0) {
    SetLastError(ERROR_SUCCESS);
    return FALSE;
  }
  return TRUE;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  GlobalTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  auto found = table.blocks.find(memory);
  if (found == table.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  free(found->second.data);
  table.blocks.erase(found);
  return nullptr;
}
