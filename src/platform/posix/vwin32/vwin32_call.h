// One call of the VWIN32 service in progress: its registers, the words it
// adds to the device trace, and the three kinds of call (DOS generic
// block-device requests, BIOS disk services, DOS extended absolute
// transfers). Internal to the service; the caller holds Vwin32Lock.
#ifndef ZOLT_PLATFORM_POSIX_VWIN32_CALL_H
#define ZOLT_PLATFORM_POSIX_VWIN32_CALL_H

#include <cstdint>
#include <string>

#include "platform/vwin32.h"

struct Vwin32Call {
  DIOC_REGISTERS regs;  // in, then out
  std::string words;    // the request's fields for the trace, each " name=value"
};

// " name=value" in decimal, or in hexadecimal with 0x.
void AddTraceWord(Vwin32Call* call, const char* name, uint64_t value);
void AddTraceHex(Vwin32Call* call, const char* name, uint64_t value);

// The outcome of a DOS call: carry clear, or carry set with the error in
// AX.
void DosSucceeded(Vwin32Call* call);
void DosFailed(Vwin32Call* call, uint16_t error);

// The buffer behind a 32-bit address of Vwin32Address; nullptr (and a
// trace word naming the address) for one the table does not hold.
void* ResolveVwin32Address(Vwin32Call* call, DWORD address);

void RunDosIoctl(Vwin32Call* call);      // INT 21h AX=440Dh
void RunBiosDisk(Vwin32Call* call);      // INT 13h
void RunDosDriveInfo(Vwin32Call* call);  // INT 21h AX=7305h

#endif
