// The record of what the GDI calls drew, in order, and its one-line
// descriptions.
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>

#include "gdi32/gdi_record.h"

namespace {

// The record is kept once something reads it: from the first
// TakeGdiRecord on. Until then (the program run by hand, the tests that
// never look) nothing is kept, and the progress bar drawn after every track
// costs no copy. Once kept, a process whose drawing nobody takes any more
// keeps only the latest operations: a repaint adds some each time.
const size_t kRecordLimit = 4096;

struct GdiRecord {
  std::mutex lock;
  std::deque<GdiOperation> operations;
};

std::atomic<bool> recordRead{false};

GdiRecord& Record() {
  static GdiRecord* record = new GdiRecord;  // never destroyed: the worker may draw at the end
  return *record;
}

std::atomic<void (*)(const GdiOperation&)> observer{nullptr};

}  // namespace

bool GdiDrawingWatched() { return recordRead.load(std::memory_order_relaxed) || observer.load() != nullptr; }

void AppendGdiOperation(const GdiOperation& operation) {
  GdiRecord& record = Record();
  if (recordRead.load(std::memory_order_relaxed)) {
    std::lock_guard<std::mutex> hold(record.lock);
    if (record.operations.size() == kRecordLimit) record.operations.pop_front();
    record.operations.push_back(operation);
  }
  if (void (*tell)(const GdiOperation&) = observer.load()) tell(operation);
}

void SetGdiObserver(void (*newObserver)(const GdiOperation& operation)) { observer = newObserver; }

std::vector<GdiOperation> TakeGdiRecord() {
  GdiRecord& record = Record();
  std::lock_guard<std::mutex> hold(record.lock);
  recordRead = true;
  std::vector<GdiOperation> operations(record.operations.begin(), record.operations.end());
  record.operations.clear();
  return operations;
}

std::string DescribeGdiOperation(const GdiOperation& operation) {
  char device[40];
  if (operation.device == kGdiWindowDevice)
    snprintf(device, sizeof device, "window=%p", static_cast<void*>(operation.window));
  else
    snprintf(device, sizeof device, "printer");
  const RECT& r = operation.rect;
  char text[200];
  if (operation.kind == kGdiTextOut) {
    const LOGFONTA& font = operation.font;
    snprintf(text, sizeof text, "font=%dx%d weight=%d pitch=%#x", int(font.lfHeight), int(font.lfWidth),
             int(font.lfWeight), unsigned(font.lfPitchAndFamily));
    char at[40];
    snprintf(at, sizeof at, "(%d,%d)", int(operation.at.x), int(operation.at.y));
    return std::string("TextOut ") + device + " " + at + " \"" + operation.text + "\" " + text;
  }
  if (operation.kind == kGdiDrawEdge) {
    snprintf(text, sizeof text, "DrawEdge %s (%d,%d)-(%d,%d) edge=%#x flags=%#x", device,
             int(r.left), int(r.top), int(r.right), int(r.bottom), operation.edge, operation.flags);
    return text;
  }
  // Colours as RRGGBB.
  char pen[16], brush[16];
  auto colour = [](char* out, size_t size, bool null, COLORREF c) {
    if (null)
      snprintf(out, size, "null");
    else
      snprintf(out, size, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  };
  colour(pen, sizeof pen, operation.nullPen, operation.penColour);
  colour(brush, sizeof brush, operation.nullBrush, operation.brushColour);
  snprintf(text, sizeof text, "Rectangle %s (%d,%d)-(%d,%d) pen=%s brush=%s", device,
           int(r.left), int(r.top), int(r.right), int(r.bottom), pen, brush);
  return text;
}
