// The common print dialog of the POSIX stand-in: PrintDlgA with its record,
// the DEVNAMES block it hands back and CommDlgExtendedError. The printers
// offered are those of the local CUPS server and a file port, "FILE:".
// Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_COMMDLG_H
#define ZOLT_PLATFORM_POSIX_COMMDLG_H

typedef UINT_PTR(CALLBACK* LPPRINTHOOKPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef UINT_PTR(CALLBACK* LPSETUPHOOKPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The record in the platform's layout. lStructSize must be its size, as
// Windows checks: 66 bytes in a 32-bit build (packed), 120 in a 64-bit one.
typedef struct tagPDA {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;   // in and out: a moveable block holding a DEVMODEA
  HGLOBAL hDevNames;  // in and out: a moveable block holding DEVNAMES and its strings
  HDC hDC;            // out, with PD_RETURNDC: a printer DC for the choice
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;  // out: the copies the caller prints itself (see PD_USEDEVMODECOPIESANDCOLLATE)
  HINSTANCE hInstance;
  LPARAM lCustData;
  LPPRINTHOOKPROC lpfnPrintHook;
  LPSETUPHOOKPROC lpfnSetupHook;
  LPCSTR lpPrintTemplateName;
  LPCSTR lpSetupTemplateName;
  HGLOBAL hPrintTemplate;
  HGLOBAL hSetupTemplate;
} PRINTDLGA, *LPPRINTDLGA;

// PRINTDLGA.Flags
#define PD_NOSELECTION 0x4
#define PD_NOPAGENUMS 0x8
#define PD_NOWARNING 0x80
#define PD_RETURNDC 0x100
#define PD_USEDEVMODECOPIESANDCOLLATE 0x40000
#define PD_DISABLEPRINTTOFILE 0x80000
#define PD_HIDEPRINTTOFILE 0x100000

// The names of the chosen printer: four offsets, in characters from the
// start of the block, of the driver, device (printer) and output port
// names, which follow the record as NUL-terminated strings.
typedef struct tagDEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;  // DN_DEFAULTPRN: the system's default printer
} DEVNAMES, *LPDEVNAMES;
#define DN_DEFAULTPRN 0x1

// CommDlgExtendedError: 0 after a cancel, else why the dialog failed.
#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_MEMALLOCFAILURE 0x0009
#define PDERR_CREATEICFAILURE 0x100A

// Shows the printer choice (TRUE: chosen, FALSE: cancelled or failed).
BOOL PrintDlgA(LPPRINTDLGA printDialog);
DWORD CommDlgExtendedError(void);

#endif
