// Where things go on the terminal: dialogs placed on the screen, their
// controls' dialog-unit rectangles and the program's pixel drawings scaled
// to character cells, and the room a static text may take when it does not
// fit its own cells.
//
// The dialog shown first fills the screen under a title row; every later
// one (a question, the print-to-file dialog) is a box centred over it at
// the same scale, clamped to the screen. A control keeps at least one cell
// each way however small the terminal.
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_LAYOUT_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_LAYOUT_H

#include <string>
#include <vector>

#include "front_ends/terminal_view.h"

// Screen cells from (top, left) to (bottom, right), those two excluded.
struct Cells {
  int top, left, bottom, right;
};

inline int CellsHigh(const Cells& c) { return c.bottom - c.top; }
inline int CellsWide(const Cells& c) { return c.right - c.left; }
inline bool CellsHold(const Cells& c, int row, int column) {
  return row >= c.top && row < c.bottom && column >= c.left && column < c.right;
}

struct DialogPlace {
  Cells frame;      // the whole dialog with its title row or its border
  Cells client;     // its client area
  bool fullScreen;  // the first dialog: a title row over the whole screen; else a box
  int unitsWide, unitsHigh;    // the client area in dialog units
  int pixelsWide, pixelsHigh;  // and in pixels
};

// The place of each dialog, in the order given (the first fills the screen).
std::vector<DialogPlace> PlaceDialogs(const std::vector<DialogView>& dialogs, int rows, int columns);

// The cells of a dialog-unit rectangle of a dialog's client area.
Cells CellsOfUnits(const DialogPlace& place, const RECT& units);

// The cells of a pixel rectangle of a dialog's client area (the program's
// drawings), and the pixel column at the middle of a cell column.
Cells CellsOfPixels(const DialogPlace& place, const RECT& pixels);
int PixelAtColumn(const DialogPlace& place, int column);

// The room for a static text that does not fit `own` once wrapped: wider
// to the right, then taller downward, over cells of the client area that
// none of `others` takes, as far as the text needs. `own` when it fits.
Cells RoomForText(const Cells& own, const std::vector<Cells>& others, const Cells& client, const std::wstring& text);

#endif
