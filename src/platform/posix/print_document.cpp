// Printer DCs and their documents. Being written: until it is, each call
// names itself and aborts, as every call outside the stand-in's subset does.
#include "platform/posix/standin.h"
#include "platform/posix/windows.h"

BOOL PrintDlgA(LPPRINTDLGA) { StandInUnsupported("PrintDlgA", "printing (not yet available)"); }
DWORD CommDlgExtendedError(void) { StandInUnsupported("CommDlgExtendedError", "printing (not yet available)"); }
BOOL TextOutA(HDC, int, int, LPCSTR, int) { StandInUnsupported("TextOutA", "printing (not yet available)"); }
BOOL DeleteDC(HDC) { StandInUnsupported("DeleteDC", "printing (not yet available)"); }
int StartDocA(HDC, const DOCINFOA*) { StandInUnsupported("StartDocA", "printing (not yet available)"); }
int EndDoc(HDC) { StandInUnsupported("EndDoc", "printing (not yet available)"); }
int AbortDoc(HDC) { StandInUnsupported("AbortDoc", "printing (not yet available)"); }
int StartPage(HDC) { StandInUnsupported("StartPage", "printing (not yet available)"); }
int EndPage(HDC) { StandInUnsupported("EndPage", "printing (not yet available)"); }
