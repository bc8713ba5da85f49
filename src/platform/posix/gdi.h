// GDI of the POSIX stand-in: device contexts, pens, brushes, fonts and the
// few drawing calls the program makes, recorded (see gdi_record.h); and
// printing: the printer DCs that PrintDlgA returns, whose documents are
// rendered to PDF and handed to CUPS. Included by windows.h only.
#ifndef ZOLT_PLATFORM_POSIX_GDI_H
#define ZOLT_PLATFORM_POSIX_GDI_H

struct HDC__;
typedef HDC__* HDC;
typedef void* HGDIOBJ;
typedef HGDIOBJ HBRUSH;
typedef HGDIOBJ HFONT;
typedef HGDIOBJ HRGN;
typedef DWORD COLORREF;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *LPPOINT;

// Stock objects
#define WHITE_BRUSH 0
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
HGDIOBJ GetStockObject(int object);

// DrawEdge
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)

// Fonts
#define LF_FACESIZE 32
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_MODERN 0x30
typedef struct tagLOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, *LPLOGFONTA;

HFONT CreateFontIndirectA(const LOGFONTA* font);
HBRUSH CreateSolidBrush(COLORREF colour);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);

// GetDeviceCaps
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
int GetDeviceCaps(HDC dc, int index);

// A printer's settings, as PrintDlgA hands them over in hDevMode: the
// printer variant of the record (the display fields are left out).
#define CCHDEVICENAME 32
#define CCHFORMNAME 32
#define DM_SPECVERSION 0x0401
#define DM_ORIENTATION 0x00000001L
#define DM_PAPERSIZE 0x00000002L
#define DM_PAPERLENGTH 0x00000004L
#define DM_PAPERWIDTH 0x00000008L
#define DM_COPIES 0x00000100L
#define DM_PRINTQUALITY 0x00000400L
#define DM_YRESOLUTION 0x00002000L
#define DM_COLLATE 0x00008000L
#define DMORIENT_PORTRAIT 1
#define DMPAPER_LETTER 1
#define DMPAPER_A4 9
#define DMPAPER_USER 256
typedef struct _devicemodeA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  short dmOrientation;
  short dmPaperSize;
  short dmPaperLength;   // tenths of a millimetre
  short dmPaperWidth;    // tenths of a millimetre
  short dmScale;
  short dmCopies;        // copies the printer makes of each page
  short dmDefaultSource;
  short dmPrintQuality;  // dots per inch across
  short dmColor;
  short dmDuplex;
  short dmYResolution;   // dots per inch down
  short dmTTOption;
  short dmCollate;
  BYTE dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
} DEVMODEA, *LPDEVMODEA;

// Text on a printer DC: TextOutA puts the top left corner of the first
// character cell at (x, y), in device units (the printer's dots) from the
// printable area's top left corner.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL DeleteDC(HDC dc);

// Print documents on a printer DC. Each StartDocA...EndDoc is one job,
// handed to the printer when it ends (DeleteDC before EndDoc drops it).
#define SP_ERROR (-1)
typedef struct _DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;    // a file to write the job to instead of the printer, or null
  LPCSTR lpszDatatype;
  DWORD fwType;
} DOCINFOA, *LPDOCINFOA;
int StartDocA(HDC dc, const DOCINFOA* document);
int EndDoc(HDC dc);
int StartPage(HDC dc);
int EndPage(HDC dc);

#endif
