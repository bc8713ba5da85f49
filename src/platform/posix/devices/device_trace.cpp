// The device trace file of ZOLT_TRACE.
#include "devices/device_trace.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex traceLock;
std::string tracePath;
FILE* traceFile = nullptr;

}  // namespace

bool ParseTraceSetting(const char* value, std::string* error) {
  (void)error;
  SetDeviceTraceFile(value == nullptr ? "" : value);
  return true;
}

void SetDeviceTraceFile(const std::string& path) {
  std::lock_guard<std::mutex> hold(traceLock);
  if (traceFile != nullptr) fclose(traceFile);
  traceFile = nullptr;
  tracePath = path;
}

bool DeviceTraceOn() {
  std::lock_guard<std::mutex> hold(traceLock);
  return !tracePath.empty();
}

void WriteDeviceTrace(const std::string& line) {
  std::lock_guard<std::mutex> hold(traceLock);
  if (tracePath.empty()) return;
  if (traceFile == nullptr) {
    traceFile = fopen(tracePath.c_str(), "w");
    if (traceFile == nullptr) {
      // A trace that cannot be written must not pass for an empty one.
      fprintf(stderr, "zolt: cannot write the device trace %s\n", tracePath.c_str());
      tracePath.clear();
      return;
    }
  }
  fputs(line.c_str(), traceFile);
  fputc('\n', traceFile);
  fflush(traceFile);
}
