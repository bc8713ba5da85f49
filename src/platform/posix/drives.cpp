// Placeholder drive table: no drives. Replaced by the ZOLT_DRIVES table.
#include "platform/posix/standin.h"
#include "platform/posix/windows.h"

bool ParseDriveSetting(const char*, std::string*) { return true; }
UINT GetDriveTypeA(LPCSTR) { return DRIVE_NO_ROOT_DIR; }
DWORD GetLogicalDrives(void) { return 0; }
