// gdi32/ stands in for gdi32.dll: device contexts and their objects, the
// drawing calls, and the record of what was drawn, which is its interface
// for the front ends and the printer DCs (gdi_record.h). It uses
// kernel32/standin.h.
//
// The drawing calls the program makes, recorded with the state of their DC:
// DrawEdge (the progress bar's frame) and Rectangle (its fill).
#include "gdi32/gdi_record.h"
#include "kernel32/standin.h"

namespace {

GdiOperation NewOperation(GdiOperationKind kind, const RECT& rect) {
  GdiOperation operation = {};
  operation.kind = kind;
  operation.rect = rect;
  return operation;
}

}  // namespace

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
  if (rect == nullptr) StandInUnsupported("DrawEdge", "a null rectangle");
  if ((edge & ~UINT(EDGE_RAISED | EDGE_SUNKEN)) != 0)
    StandInUnsupported("DrawEdge", "edge bits other than the BDR_ ones");
  // BF_ADJUST, BF_MIDDLE, BF_SOFT, BF_FLAT, BF_MONO and the diagonals would
  // change the rectangle or the look.
  if ((flags & ~UINT(BF_RECT)) != 0)
    StandInUnsupported("DrawEdge", "flags other than BF_LEFT, BF_TOP, BF_RIGHT, BF_BOTTOM");
  // DrawEdge paints with the system's 3-D colours, whatever pen and brush
  // are selected.
  GdiOperation operation = NewOperation(kGdiDrawEdge, *rect);
  operation.edge = edge;
  operation.flags = flags;
  return RecordGdiOperation(dc, operation) ? TRUE : FALSE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  // The pen outlines the rectangle and the brush fills it, the right and
  // bottom edges excluded; with the null pen there is no outline and the
  // fill is one pixel narrower and one lower, as the recorded pen tells.
  RECT rect = {left, top, right, bottom};
  return RecordGdiOperation(dc, NewOperation(kGdiRectangle, rect)) ? TRUE : FALSE;
}
