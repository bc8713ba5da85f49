// Internal interface of the stand-in's GDI: what was drawn, in order, for
// the tests and the dialog manager to read; the device contexts' kinds
// (window now, printer for the printing calls); and the selected font.
//
// Nothing is rendered: each drawing call is recorded with the device it was
// meant for and the state of the DC that decides its look (the selected
// pen and brush). Both the worker thread and the dialog thread draw, so the
// record keeps the order of the calls as they happened.
#ifndef ZOLT_PLATFORM_POSIX_GDI_RECORD_H
#define ZOLT_PLATFORM_POSIX_GDI_RECORD_H

#include <string>
#include <vector>

#include "platform/posix/windows.h"

enum GdiDeviceKind {
  kGdiWindowDevice,   // GetDC: a window's client area on the screen
  kGdiPrinterDevice,  // a printer's page
};

// What GetDeviceCaps answers for a device. A printer's sizes are those of
// its printable area.
struct GdiDeviceCaps {
  int horzRes;     // HORZRES: width in pixels
  int vertRes;     // VERTRES: height in pixels
  int horzSizeMm;  // HORZSIZE: width in millimetres
  int vertSizeMm;  // VERTSIZE: height in millimetres
  int logPixelsX;  // LOGPIXELSX: pixels per inch across
  int logPixelsY;  // LOGPIXELSY: pixels per inch down
};

enum GdiOperationKind { kGdiDrawEdge, kGdiRectangle, kGdiTextOut };

struct GdiOperation {
  GdiOperationKind kind;
  GdiDeviceKind device;  // the DC's device
  HWND window;           // the window of a window DC, else null
  RECT rect;             // the rectangle as passed (Rectangle: left, top, right, bottom)
  UINT edge;             // DrawEdge: BDR_* bits
  UINT flags;            // DrawEdge: BF_* bits
  bool nullPen;          // the stock null pen is selected: no outline
  COLORREF penColour;    // the selected pen's colour, when not null
  bool nullBrush;        // the stock null brush is selected: no fill
  COLORREF brushColour;  // the selected brush's colour, when not null
  POINT at;              // TextOutA: x and y as passed
  std::string text;      // TextOutA: the characters, Windows-1252
  LOGFONTA font;         // TextOutA: the selected font
};

// Returns the operations recorded since the last call and forgets them.
// Recording begins with the first call (which returns nothing): what was
// drawn before any reader asked is not kept. Without a reader since, the
// record keeps only the latest operations.
std::vector<GdiOperation> TakeGdiRecord();

// True once something looks at what is drawn: TakeGdiRecord was called, or
// an observer is set. Until then a drawing call need not build its
// operation at all, only check its DC.
bool GdiDrawingWatched();

// One line per operation, for failure messages and comparisons:
// "DrawEdge window=0x1234 (0,250)-(300,274) edge=0xa flags=0xf",
// "Rectangle window=0x1234 (2,252)-(101,273) pen=null brush=00ff00" or
// "TextOut printer (0,37) \"LABEL\" font=37x18 weight=700 pitch=0x31".
std::string DescribeGdiOperation(const GdiOperation& operation);

// Appends an operation as it stands (RecordGdiOperation's last step).
void AppendGdiOperation(const GdiOperation& operation);

// Tells `observer` of every operation appended from now on, on the thread
// that drew, after the record has it and without any GDI lock held; null
// stops telling. For a front end that shows what the program draws.
void SetGdiObserver(void (*observer)(const GdiOperation& operation));

// With the DC's device, window and selected pen, brush and font filled in
// from `dc`, appends `operation` to the record. False with
// ERROR_INVALID_HANDLE for an unknown DC.
bool RecordGdiOperation(HDC dc, GdiOperation operation);

// A new DC for a device, starting with the black pen, the white brush and
// the system font selected, as Windows' DCs do; and its end (for a printer
// DC, DeleteDC). FreeDeviceContext gives false with ERROR_INVALID_HANDLE
// for an unknown DC.
HDC NewDeviceContext(GdiDeviceKind device, HWND window, const GdiDeviceCaps& caps);
bool FreeDeviceContext(HDC dc);

// The font selected into `dc`, and the device it draws on. False with
// ERROR_INVALID_HANDLE for an unknown DC.
bool GdiSelectedFont(HDC dc, LOGFONTA* font);
bool GdiDeviceOf(HDC dc, GdiDeviceKind* device);

// Counts of the DCs and of the created (not stock) objects alive, to find
// leaks.
struct GdiLiveObjects {
  int deviceContexts;
  int createdObjects;
};
GdiLiveObjects CountGdiLiveObjects();

#endif
