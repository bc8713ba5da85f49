// vwin32/ stands in for the VWIN32 VxD of Windows 9x (Wine's vwin32.vxd):
// the DOS and BIOS disk services behind "\\.\vwin32". Its interface for the
// other folders: this header. It uses kernel32/standin.h,
// devices/disk_medium.h, devices/diskette_drives.h, devices/device_trace.h
// and platform/vwin32.h.
//
// The stand-in's VWIN32 service ("\\.\vwin32" on Windows 9x): DOS and BIOS
// disk calls over the drive table's media (disk_medium.h). CreateFileA and
// DeviceIoControl hand a VWIN32 handle's requests to these. Internal to the
// stand-in.
#ifndef ZOLT_PLATFORM_POSIX_VWIN32_SERVICE_H
#define ZOLT_PLATFORM_POSIX_VWIN32_SERVICE_H

#include "platform/vwin32.h"

// The service object behind a new VWIN32 handle; nullptr with the last
// error set when the service is not there (an NT system has none:
// ERROR_FILE_NOT_FOUND).
void* OpenVwin32Service();
void CloseVwin32Service(void* service);

// The handle CreateFileA made for `service`, which the service names in
// its trace lines (0x0 until it is told).
void SetVwin32ServiceHandle(void* service, HANDLE handle);

// DeviceIoControl on a VWIN32 handle: services 1, 4 and 6 with a
// DIOC_REGISTERS record in and out. FALSE with the last error for a
// service or record the service does not know; otherwise TRUE, with the
// outcome of the DOS or BIOS call in the registers (carry set: failed).
BOOL Vwin32Request(void* service, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                   LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned);

// What DOS keeps about the drives (device parameters, track layout, access
// flag, locks) lives as long as the drive table's medium records:
// ForgetMedia calls this when the table is replaced.
void ForgetVwin32Drives();

#endif
