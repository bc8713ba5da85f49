// Drawing the progress bar.
#include "ui/progress.h"

#include "app/app_state.h"

namespace {

COLORREF StyleColour(char style) {
  switch (style) {
    case kBarFormatting:
      return RGB(128, 128, 255);
    case kBarError:
      return RGB(255, 0, 0);
    default:
      return RGB(0, 255, 0);
  }
}

}  // namespace

void DrawProgress(uint32_t value, uint32_t total, char style) {
  // A total below 2 has no length to divide: draw it full.
  if (total < 2) value = total = 2;
  app.lastPercent = uint16_t(uint64_t(value) * 100 / total);
  if (style == 0)
    style = app.lastBarStyle;
  else
    app.lastBarStyle = style;

  HDC dc = GetDC(app.mainWindow);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(app.mainWindow, &client);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));

  const LONG top = client.bottom * 5 / 6;
  RECT frame = {client.left, top, client.right, top + 24};
  DrawEdge(dc, &frame, EDGE_BUMP, BF_RECT);

  HBRUSH brush = CreateSolidBrush(StyleColour(style));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  const uint32_t full = client.right > 2 ? uint32_t(client.right - 2) : 0;
  uint32_t length = uint32_t(uint64_t(full) * value / (total - 1));
  if (length > full) length = full;
  // With the null pen, Rectangle fills x 2 .. end and y top + 2 .. top + 22.
  Rectangle(dc, 2, top + 2, int(length) + 1, top + 23);

  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  ReleaseDC(app.mainWindow, dc);
}

void SignalSuccess() {
  MessageBeep(MB_OK);
  Beep(100, 100);
}

void SignalFailure() {
  DrawProgress(50, 100, kBarError);
  MessageBeep(MB_ICONEXCLAMATION);
  Beep(100, 100);
}
