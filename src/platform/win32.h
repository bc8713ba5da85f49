// The Win32 interface of the program. On Windows it is the platform's own
// headers; elsewhere it is our stand-in, which offers the same names, types
// and constants for the subset of the API that the program calls.
#ifndef ZOLT_PLATFORM_WIN32_H
#define ZOLT_PLATFORM_WIN32_H

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  include <winioctl.h>
#  include <commdlg.h>
#else
#  include "platform/posix/windows.h"
#endif

#endif
