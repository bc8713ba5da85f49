// The print threads: one per press of a print button, run one at a time in
// the order of the presses. Each thread waits for the thread started before
// it to end, so the jobs form a chain; EndPrintJob waits for the last link.
#include <cstdlib>

#include "print/print_job.h"
#include "print/print_state.h"

namespace {

// The stack each print thread asks for.
constexpr size_t kPrintThreadStack = 24576;

// What a press hands to its thread; the thread frees it.
struct PrintRequest {
  unsigned char kind;
  HANDLE previousJob;  // the thread to wait for, or null; closed by this job
};

}  // namespace

DWORD WINAPI PrintThread(LPVOID parameter) {
  PrintRequest request = *static_cast<PrintRequest*>(parameter);
  free(parameter);
  if (request.previousJob != nullptr) {
    WaitForSingleObject(request.previousJob, INFINITE);
    CloseHandle(request.previousJob);
  }
  RunPrintJob(request.kind);
  return 0;
}

void StartPrintThread(unsigned char kind) {
  PrintRequest* request = static_cast<PrintRequest*>(malloc(sizeof(PrintRequest)));
  if (request == nullptr) return;
  request->kind = kind;
  request->previousJob = printState.lastJob;
  HANDLE job = CreateThread(nullptr, kPrintThreadStack, PrintThread, request, 0, nullptr);
  if (job == nullptr) {
    // No thread, no job: the chain still ends at the job before.
    free(request);
    return;
  }
  printState.lastJob = job;
}

void WaitForPrintJobs() {
  HANDLE job = printState.lastJob;
  if (job == nullptr) return;
  // A job's dialogs are owned by the main dialog, whose thread this is:
  // Windows disables the owner when such a dialog starts and enables it
  // again when it ends, each time sending it a message (WM_ENABLE) and
  // waiting until this thread has handled it. So the wait handles the
  // messages sent to this thread; posted ones (the user's commands) stay
  // queued for the dialog's own loop.
  while (MsgWaitForMultipleObjects(1, &job, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  }
  CloseHandle(job);
  printState.lastJob = nullptr;
}
