// The image file's writer thread and its hand-over with the worker.
//
// Two semaphores carry the hand-over. "queued" counts the batches (and the
// final empty entry) that the worker has put into `pending` for the
// thread; "returned" counts the buffers the thread has finished with. The
// worker starts owning both buffers, one of them counted as returned: after
// handing over a batch it takes the other buffer by waiting on "returned",
// which succeeds once the writes of the batch before have ended. So at most
// one batch waits or is being written while the worker fills the next, and
// the pending entry the worker fills next has always been read already.
// During the run only the thread touches app.runningCrc; the worker reads
// it once the thread has ended.
#include "app/image_file_writer.h"

#include <atomic>
#include <cstdio>

#include "app/app_state.h"
#include "app/output_sink.h"
#include "container/disk_format.h"
#include "container/image_crc.h"

namespace {

constexpr DWORD kWriterStackSize = 16384;
constexpr uint32_t kBufferBudget = 262144;
constexpr int kBuffers = 2;

struct PendingBatch {
  const uint8_t* data;  // null: no more batches, the thread ends
  uint32_t bytes;       // whole tracks; only the image's last may be shorter
};

struct ImageFileWriter {
  HANDLE thread;
  HANDLE queued;
  HANDLE returned;
  PendingBatch pending[kBuffers];
  int next;                  // the worker's next entry in `pending`
  uint32_t trackBytes;       // one whole track
  uint32_t bufferBytes;      // each buffer's size
  uint32_t used;             // bytes of whole tracks in app.trackBuffer
  std::atomic<int> failed;   // a write fell short; later tracks are skipped
  int reported;              // the worker has reported it
};

ImageFileWriter writer;

DWORD WINAPI ImageFileThread(LPVOID) {
  for (int at = 0;; at = (at + 1) % kBuffers) {
    WaitForSingleObject(writer.queued, INFINITE);
    const PendingBatch batch = writer.pending[at];
    if (batch.data == nullptr) return 0;
    // The whole batch in one write (the file is unbuffered): a system call
    // per batch rather than per track.
    if (writer.failed == 0) {
      app.runningCrc = ImageCrcUpdate(app.runningCrc, batch.data, batch.bytes);
      if (fwrite(batch.data, 1, batch.bytes, app.imageFile) != batch.bytes) writer.failed = 1;
    }
    ReleaseSemaphore(writer.returned, 1, nullptr);
  }
}

void CloseWriterHandles() {
  if (writer.thread != nullptr) CloseHandle(writer.thread);
  if (writer.queued != nullptr) CloseHandle(writer.queued);
  if (writer.returned != nullptr) CloseHandle(writer.returned);
  writer.thread = writer.queued = writer.returned = nullptr;
}

int ReportOnce() {
  writer.reported = 1;
  return ReportImageFileFull();
}

// Hands the filled part of app.trackBuffer to the thread and takes the
// other buffer once the thread has finished with it.
int HandOver() {
  writer.pending[writer.next] = PendingBatch{app.trackBuffer, writer.used};
  writer.next = (writer.next + 1) % kBuffers;
  ReleaseSemaphore(writer.queued, 1, nullptr);
  uint8_t* other = app.verifyBuffer;
  app.verifyBuffer = app.trackBuffer;
  app.trackBuffer = other;
  writer.used = 0;
  WaitForSingleObject(writer.returned, INFINITE);
  if (writer.failed != 0 && writer.reported == 0) return ReportOnce();
  return 0;
}

}  // namespace

uint32_t ImageFileBufferBytes(uint32_t trackBytes) {
  if (trackBytes == 0 || trackBytes >= kBufferBudget) return trackBytes;
  return kBufferBudget / trackBytes * trackBytes;
}

void StartImageFileWriter() {
  writer.next = 0;
  writer.used = 0;
  writer.failed = 0;
  writer.reported = 0;
  writer.trackBytes = FormatTrackBytes(app.format);
  writer.bufferBytes = ImageFileBufferBytes(writer.trackBytes);
  writer.queued = CreateSemaphoreA(nullptr, 0, kBuffers, nullptr);
  writer.returned = CreateSemaphoreA(nullptr, 1, kBuffers, nullptr);
  if (writer.queued != nullptr && writer.returned != nullptr)
    writer.thread = CreateThread(nullptr, kWriterStackSize, ImageFileThread, nullptr, 0, nullptr);
  if (writer.thread == nullptr) CloseWriterHandles();
}

uint8_t* ImageFileTrack() { return app.trackBuffer + writer.used; }

uint32_t ImageFileRoom() { return writer.thread != nullptr ? writer.bufferBytes - writer.used : writer.trackBytes; }

int WriteImageFileTrack(uint32_t length) {
  if (writer.thread == nullptr) {
    app.runningCrc = ImageCrcUpdate(app.runningCrc, app.trackBuffer, length);
    if (fwrite(app.trackBuffer, 1, length, app.imageFile) != length) return ReportImageFileFull();
    return 0;
  }
  writer.used += length;
  if (writer.bufferBytes - writer.used < writer.trackBytes) return HandOver();
  return 0;
}

int EndImageFileWriter() {
  if (writer.thread == nullptr) return 0;
  int result = writer.used != 0 ? HandOver() : 0;
  writer.pending[writer.next] = PendingBatch{nullptr, 0};
  ReleaseSemaphore(writer.queued, 1, nullptr);
  WaitForSingleObject(writer.thread, INFINITE);
  CloseWriterHandles();
  if (result == 0 && writer.failed != 0 && writer.reported == 0) result = ReportOnce();
  return result;
}
