// The table of kernel handles and CloseHandle.
#include "kernel32/handles.h"

#include <mutex>
#include <unordered_map>

#include "kernel32/standin.h"

struct HandleEntry {
  HandleKind kind;
  void* object;
  HandleCloseFunction close;
  KernelSignal* signal;
  int uses;     // calls in progress on this handle
  bool closed;  // CloseHandle has taken it out of the table
};

namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, HandleEntry*> entries;
  uintptr_t nextValue = 0x40;
};

// Never destroyed: a thread may still close or use a handle while the
// process is ending, after static destructors have run.
HandleTable& Table() {
  static HandleTable* table = new HandleTable;
  return *table;
}

// Runs the close function outside the table's lock (it may take other
// locks) and keeps the last error of the call that triggered it.
void FinishClose(HandleEntry* entry) {
  DWORD error = GetLastError();
  entry->close(entry->object);
  delete entry;
  SetLastError(error);
}

HandleEntry* BeginUse(HANDLE handle, const HandleKind* kind) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  auto found = table.entries.find(uintptr_t(handle));
  if (found == table.entries.end() || (kind != nullptr && found->second->kind != *kind)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  found->second->uses++;
  return found->second;
}

}  // namespace

HANDLE OpenKernelHandle(HandleKind kind, void* object, HandleCloseFunction close,
                        KernelSignal* signal) {
  HandleTable& table = Table();
  HandleEntry* entry = new HandleEntry{kind, object, close, signal, 0, false};
  std::lock_guard<std::mutex> hold(table.lock);
  uintptr_t value = table.nextValue;
  table.nextValue += 4;
  table.entries[value] = entry;
  return HANDLE(value);
}

HandleUse::HandleUse(HANDLE handle, HandleKind kind) : entry_(BeginUse(handle, &kind)) {}

HandleUse::HandleUse(HANDLE handle) : entry_(BeginUse(handle, nullptr)) {}

HandleUse::~HandleUse() {
  if (entry_ == nullptr) return;
  bool last;
  {
    std::lock_guard<std::mutex> hold(Table().lock);
    entry_->uses--;
    last = entry_->closed && entry_->uses == 0;
  }
  if (last) FinishClose(entry_);
}

HandleKind HandleUse::kind() const { return entry_->kind; }

void* HandleUse::object() const { return entry_->object; }

KernelSignal* HandleUse::signal() const { return entry_->signal; }

bool CloseKernelHandle(HANDLE handle) {
  HandleTable& table = Table();
  HandleEntry* entry;
  {
    std::lock_guard<std::mutex> hold(table.lock);
    auto found = table.entries.find(uintptr_t(handle));
    if (found == table.entries.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    entry = found->second;
    table.entries.erase(found);
    entry->closed = true;
    if (entry->uses != 0) return true;  // the last use finishes the close
  }
  FinishClose(entry);
  return true;
}

BOOL CloseHandle(HANDLE handle) {
  // On Windows this value is also the current process's pseudo-handle,
  // which the program never means to close.
  if (handle == INVALID_HANDLE_VALUE)
    StandInUnsupported("CloseHandle", "INVALID_HANDLE_VALUE (the current-process pseudo-handle)");
  return CloseKernelHandle(handle) ? TRUE : FALSE;
}
