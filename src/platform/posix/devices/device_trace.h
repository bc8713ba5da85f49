// ZOLT_TRACE=FILE: one line per device request, for tests and diagnosis.
// A line starts with the Win32 call's name (CreateFileA, CloseHandle,
// SetFilePointer, ReadFile, WriteFile, DeviceIoControl) followed by its
// arguments and results as name=value words; DeviceIoControl lines name the
// control code by its platform name with the record's fields, and VWIN32
// lines give the registers before and after. Internal to the stand-in.
#ifndef ZOLT_PLATFORM_POSIX_DEVICE_TRACE_H
#define ZOLT_PLATFORM_POSIX_DEVICE_TRACE_H

#include <string>

// Parses a ZOLT_TRACE value: unset or empty (no trace) or a file name. The
// file is created (emptied) on the first line.
bool ParseTraceSetting(const char* value, std::string* error);

// Sets the trace file directly (tests); empty: no trace.
void SetDeviceTraceFile(const std::string& path);

bool DeviceTraceOn();

// Appends `line` and a line break, whole, even with several threads.
void WriteDeviceTrace(const std::string& line);

#endif
