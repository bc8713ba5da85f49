// The VWIN32 service of Windows 95, 98 and Me: the records and service
// numbers of DeviceIoControl on "\\.\vwin32", which runs a DOS INT 21h or a
// BIOS INT 13h call with the registers of a DIOC_REGISTERS record. The
// platform headers do not carry them (they come with the device driver
// kit), so both builds take them from here.
//
// Registers and the DISKIO record hold 32-bit addresses. On 32-bit Windows
// an address is the pointer itself; the service only exists there. A
// 64-bit build gets its addresses from Vwin32Address: the POSIX stand-in
// keeps a small table of the buffers it has been given, and the 64-bit
// Windows build never reaches the service.
#ifndef ZOLT_PLATFORM_VWIN32_H
#define ZOLT_PLATFORM_VWIN32_H

#include "platform/win32.h"

#define VWIN32_DIOC_DOS_IOCTL 1      // INT 21h function 44h
#define VWIN32_DIOC_DOS_INT25 2      // absolute disk read
#define VWIN32_DIOC_DOS_INT26 3      // absolute disk write
#define VWIN32_DIOC_DOS_INT13 4      // BIOS disk services
#define VWIN32_DIOC_DOS_DRIVEINFO 6  // INT 21h function 73h

#define CARRY_FLAG 0x0001

typedef struct DIOCRegs {
  DWORD reg_EBX;
  DWORD reg_EDX;
  DWORD reg_ECX;
  DWORD reg_EAX;
  DWORD reg_EDI;
  DWORD reg_ESI;
  DWORD reg_Flags;
} DIOC_REGISTERS, *PDIOC_REGISTERS;

#pragma pack(push, 1)
// The block of INT 21h function 7305h (extended absolute read and write).
typedef struct _DISKIO {
  DWORD dwStartSector;  // absolute sector, from 0
  WORD wSectors;
  DWORD dwBuffer;  // 32-bit address of the data
} DISKIO, *PDISKIO;
#pragma pack(pop)

static_assert(sizeof(DIOC_REGISTERS) == 28, "DIOC_REGISTERS is seven 32-bit registers");
static_assert(sizeof(DISKIO) == 10, "DISKIO is packed");

#if defined(_WIN32)
inline DWORD Vwin32Address(const void* pointer) { return (DWORD)(ULONG_PTR)pointer; }
#else
// The 32-bit address under which the stand-in's VWIN32 service finds
// `pointer`.
DWORD Vwin32Address(const void* pointer);
#endif

#endif
