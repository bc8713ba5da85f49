// Placing dialogs and scaling their units and pixels to cells (see
// terminal_layout.h).
#include "front_ends/terminal_layout.h"

#include <algorithm>

#include "front_ends/terminal_text.h"

namespace {

// `value` of `whole` scaled to `cells`, fraction dropped.
int Scale(long value, long whole, int cells) { return whole <= 0 ? 0 : int(value * cells / whole); }

// A span of cells from `low` to `high` (excluded) inside [start, end), at
// least one cell wide when the span has room at all.
void Span(int* low, int* high, int start, int end) {
  *low = std::min(std::max(*low, start), std::max(start, end - 1));
  *high = std::min(std::max(*high, *low + 1), end);
}

bool Free(const std::vector<Cells>& others, int row, int column) {
  for (const Cells& other : others)
    if (CellsHold(other, row, column)) return false;
  return true;
}

bool Fits(const std::wstring& text, const Cells& room) {
  return int(WrapWords(text, CellsWide(room)).size()) <= CellsHigh(room);
}

}  // namespace

std::vector<DialogPlace> PlaceDialogs(const std::vector<DialogView>& dialogs, int rows, int columns) {
  std::vector<DialogPlace> places;
  if (rows < 1 || columns < 1) return places;
  for (const DialogView& dialog : dialogs) {
    DialogPlace place;
    place.unitsWide = std::max(1, dialog.unitsWide);
    place.unitsHigh = std::max(1, dialog.unitsHigh);
    place.pixelsWide = std::max(1, dialog.pixelsWide);
    place.pixelsHigh = std::max(1, dialog.pixelsHigh);
    place.fullScreen = places.empty();
    if (place.fullScreen) {
      place.frame = Cells{0, 0, rows, columns};
      place.client = Cells{std::min(1, rows - 1), 0, rows, columns};
    } else {
      // The scale of the first dialog, so that a question's texts and
      // buttons look like the main dialog's.
      const DialogPlace& first = places.front();
      int wide = Scale(place.unitsWide, first.unitsWide, CellsWide(first.client));
      int high = Scale(place.unitsHigh, first.unitsHigh, CellsHigh(first.client));
      wide = std::max(1, std::min(wide, columns - 2));
      high = std::max(1, std::min(high, rows - 2));
      int top = std::max(0, (rows - high - 2) / 2);
      int left = std::max(0, (columns - wide - 2) / 2);
      place.frame = Cells{top, left, std::min(rows, top + high + 2), std::min(columns, left + wide + 2)};
      place.client = Cells{top + 1, left + 1, top + 1 + high, left + 1 + wide};
    }
    places.push_back(place);
  }
  return places;
}

Cells CellsOfUnits(const DialogPlace& place, const RECT& units) {
  const Cells& client = place.client;
  Cells cells;
  cells.left = client.left + Scale(units.left, place.unitsWide, CellsWide(client));
  cells.right = client.left + Scale(units.right, place.unitsWide, CellsWide(client));
  cells.top = client.top + Scale(units.top, place.unitsHigh, CellsHigh(client));
  cells.bottom = client.top + Scale(units.bottom, place.unitsHigh, CellsHigh(client));
  Span(&cells.left, &cells.right, client.left, client.right);
  Span(&cells.top, &cells.bottom, client.top, client.bottom);
  return cells;
}

Cells CellsOfPixels(const DialogPlace& place, const RECT& pixels) {
  const Cells& client = place.client;
  Cells cells;
  cells.left = client.left + Scale(pixels.left, place.pixelsWide, CellsWide(client));
  cells.right = client.left + Scale(pixels.right, place.pixelsWide, CellsWide(client));
  cells.top = client.top + Scale(pixels.top, place.pixelsHigh, CellsHigh(client));
  cells.bottom = client.top + Scale(pixels.bottom, place.pixelsHigh, CellsHigh(client));
  Span(&cells.left, &cells.right, client.left, client.right);
  Span(&cells.top, &cells.bottom, client.top, client.bottom);
  return cells;
}

int PixelAtColumn(const DialogPlace& place, int column) {
  const int wide = std::max(1, CellsWide(place.client));
  return int((2L * (column - place.client.left) + 1) * place.pixelsWide / (2L * wide));
}

Cells RoomForText(const Cells& own, const std::vector<Cells>& others, const Cells& client, const std::wstring& text) {
  Cells room = own;
  auto columnFree = [&](int column) {
    for (int row = room.top; row < room.bottom; ++row)
      if (!Free(others, row, column)) return false;
    return true;
  };
  auto rowFree = [&](int row) {
    for (int column = room.left; column < room.right; ++column)
      if (!Free(others, row, column)) return false;
    return true;
  };
  while (!Fits(text, room) && room.right < client.right && columnFree(room.right)) room.right++;
  while (!Fits(text, room) && room.bottom < client.bottom && rowFree(room.bottom)) room.bottom++;
  return room;
}
