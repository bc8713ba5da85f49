// Drawing the terminal front end's screen (see terminal_draw.h).
//
// Curses reports ERR from an output call that reaches the last cell of the
// screen (it cannot move the cursor on) even though the character was
// drawn; every text here is clipped to the screen beforehand, so the
// results of the drawing calls tell nothing and are not looked at. Nor is
// refresh's: it fails only when the terminal is gone, and then there is
// no one to show anything to.
#define NCURSES_WIDECHAR 1
#include <curses.h>

#include <algorithm>

#include "front_ends/terminal_draw.h"
#include "front_ends/terminal_layout.h"
#include "front_ends/terminal_text.h"

namespace {

// The screen's size below which the dialogs are not drawn: a notice asks
// for a larger terminal instead.
const int kLeastRows = 12;
const int kLeastColumns = 40;

// Colour pairs of the bar's fills.
const short kPairWriting = 1;
const short kPairFormatting = 2;
const short kPairError = 3;

bool colours = false;

// `text` from (row, column), cut at `most` cells and at the screen's edge.
void Put(int row, int column, const std::wstring& text, attr_t attributes, int most = 1 << 20) {
  if (row < 0 || row >= LINES || column >= COLS) return;
  std::wstring shown = text;
  if (column < 0) {
    if (size_t(-column) >= shown.size()) return;
    shown.erase(0, size_t(-column));
    most += column;
    column = 0;
  }
  int room = std::min(most, COLS - column);
  if (room <= 0) return;
  if (int(shown.size()) > room) shown.resize(size_t(room));
  attrset(attributes);
  mvaddnwstr(row, column, shown.c_str(), int(shown.size()));
  attrset(A_NORMAL);
}

void PutCharacter(int row, int column, chtype character) {
  if (row < 0 || row >= LINES || column < 0 || column >= COLS) return;
  mvaddch(row, column, character);
}

void Blank(const Cells& cells, attr_t attributes) {
  for (int row = cells.top; row < cells.bottom; ++row)
    Put(row, cells.left, std::wstring(size_t(std::max(0, CellsWide(cells))), L' '), attributes);
}

void Frame(const Cells& cells) {
  if (CellsHigh(cells) < 2 || CellsWide(cells) < 2) return;
  const int top = cells.top, bottom = cells.bottom - 1, left = cells.left, right = cells.right - 1;
  for (int column = left + 1; column < right; ++column) {
    PutCharacter(top, column, ACS_HLINE);
    PutCharacter(bottom, column, ACS_HLINE);
  }
  for (int row = top + 1; row < bottom; ++row) {
    PutCharacter(row, left, ACS_VLINE);
    PutCharacter(row, right, ACS_VLINE);
  }
  PutCharacter(top, left, ACS_ULCORNER);
  PutCharacter(top, right, ACS_URCORNER);
  PutCharacter(bottom, left, ACS_LLCORNER);
  PutCharacter(bottom, right, ACS_LRCORNER);
}

// A title centred on the top edge of a frame.
void FrameTitle(const Cells& cells, const std::wstring& title) {
  int room = CellsWide(cells) - 4;
  if (room <= 0 || title.empty()) return;
  std::wstring shown = L" " + title.substr(0, size_t(room - 2)) + L" ";
  Put(cells.top, cells.left + (CellsWide(cells) - int(shown.size())) / 2, shown, A_BOLD);
}

// --- Controls --------------------------------------------------------------

void DrawStatic(const ControlView& control, const Cells& room) {
  std::wstring text = CaptionOf(control.text).text;
  std::vector<std::wstring> lines = WrapWords(text, CellsWide(room));
  attr_t look = control.enabled ? A_NORMAL : A_DIM;
  for (int i = 0; i < int(lines.size()) && i < CellsHigh(room); ++i)
    Put(room.top + i, room.left, lines[size_t(i)], look, CellsWide(room));
}

void DrawButton(const ControlView& control, const Cells& cells) {
  ButtonCaption caption = CaptionOf(control.text);
  const int wide = CellsWide(cells);
  const bool spaced = int(caption.text.size()) + 4 <= wide;
  const int pad = spaced ? 2 : 1;
  std::wstring text = caption.text.substr(0, size_t(std::max(0, wide - 2 * pad)));
  const int shownWide = int(text.size()) + 2 * pad;
  const int row = cells.top + (CellsHigh(cells) - 1) / 2;
  const int left = cells.left + std::max(0, (wide - shownWide) / 2);

  attr_t look = control.focused ? A_REVERSE : A_NORMAL;
  if (!control.enabled) {
    Put(row, left + pad, text, look | A_DIM);
    return;
  }
  const bool isDefault = (control.style & 0x0F) == BS_DEFPUSHBUTTON;
  attr_t bracket = look | (isDefault ? A_BOLD : A_NORMAL);
  Put(row, left, spaced ? L"[ " : L"[", bracket);
  Put(row, left + pad, text, look);
  if (caption.mnemonic >= 0 && caption.mnemonic < int(text.size()))
    Put(row, left + pad + caption.mnemonic, text.substr(size_t(caption.mnemonic), 1), look | A_UNDERLINE | A_BOLD);
  Put(row, left + pad + int(text.size()), spaced ? L" ]" : L"]", bracket);
}

// Where the cursor goes in a focused edit.
int DrawEdit(const ControlView& control, const Cells& cells) {
  const int wide = CellsWide(cells);
  std::wstring text = (control.style & ES_PASSWORD) ? std::wstring(control.text.size(), L'*') : ScreenText(control.text);
  // The end of a long text, as an automatically scrolling edit shows it.
  const int room = std::max(1, wide - 1);
  if (int(text.size()) > room) text.erase(0, text.size() - size_t(room));
  const int hidden = int(control.text.size()) - int(text.size());  // scrolled off on the left
  std::wstring field = text + std::wstring(size_t(std::max(0, wide - int(text.size()))), L'_');
  attr_t look = !control.enabled ? A_DIM : control.focused ? A_BOLD : A_NORMAL;
  Put(cells.top, cells.left, field, look, wide);
  // The selection, which typing replaces, reversed.
  const int from = std::max(0, control.selectFrom - hidden), to = std::max(0, control.selectTo - hidden);
  if (control.enabled && from < to && to <= int(text.size()))
    Put(cells.top, cells.left + from, text.substr(size_t(from), size_t(to - from)), look | A_REVERSE);
  return cells.left + int(text.size());
}

void DrawComboBox(const ControlView& control, const Cells& cells) {
  const int wide = CellsWide(cells);
  std::wstring chosen;
  if (control.selection >= 0 && control.selection < int(control.items.size()))
    chosen = ScreenText(control.items[size_t(control.selection)]);
  attr_t look = (control.focused ? A_REVERSE : A_NORMAL) | (control.enabled ? A_NORMAL : A_DIM);
  std::wstring inside = chosen.substr(0, size_t(std::max(0, wide - 3)));
  inside += std::wstring(size_t(std::max(0, wide - 3 - int(inside.size()))), L' ');
  Put(cells.top, cells.left, L"[" + inside, look, wide);
  if (wide >= 3) {
    attrset(look);
    PutCharacter(cells.top, cells.right - 2, ACS_DARROW);
    attrset(A_NORMAL);
    Put(cells.top, cells.right - 1, L"]", look);
  }
}

void DrawListBox(const ControlView& control, const Cells& cells, ListView* view) {
  const bool framed = (control.style & WS_BORDER) && CellsHigh(cells) >= 3 && CellsWide(cells) >= 3;
  Cells inside = cells;
  if (framed) {
    Frame(cells);
    inside = Cells{cells.top + 1, cells.left + 1, cells.bottom - 1, cells.right - 1};
  }
  const int rows = std::max(1, CellsHigh(inside));
  const int count = int(control.items.size());
  if (view != nullptr) {
    view->pageRows = rows;
    view->pageColumns = std::max(1, CellsWide(inside));
    view->linesBack = std::max(0, std::min(view->linesBack, count - rows));
  }
  const int linesBack = view != nullptr ? view->linesBack : 0;
  const int column = view != nullptr ? view->column : 0;
  const int first = std::max(0, count - rows - linesBack);
  for (int row = 0; row < rows && first + row < count; ++row) {
    std::wstring line = ScreenText(control.items[size_t(first + row)]);
    line.erase(0, std::min(line.size(), size_t(column)));
    Put(inside.top + row, inside.left, line, A_NORMAL, CellsWide(inside));
  }
  if (!framed) return;
  if (first > 0) PutCharacter(cells.top, cells.right - 2, ACS_UARROW);
  if (linesBack > 0) PutCharacter(cells.bottom - 1, cells.right - 2, ACS_DARROW);
  if (column > 0) PutCharacter(cells.top, cells.left + 1, ACS_LARROW);
}

// --- The progress bar --------------------------------------------------------

void DrawBar(const DialogPlace& place, const ProgressBand& band) {
  const Cells frame = CellsOfPixels(place, band.frame);
  Cells fill = frame;
  if (CellsHigh(frame) >= 3 && CellsWide(frame) >= 3) {
    Frame(frame);
    fill = Cells{frame.top + 1, frame.left + 1, frame.bottom - 1, frame.right - 1};
  } else if (CellsWide(frame) >= 3) {
    for (int row = frame.top; row < frame.bottom; ++row) {
      Put(row, frame.left, L"[", A_NORMAL);
      Put(row, frame.right - 1, L"]", A_NORMAL);
    }
    fill = Cells{frame.top, frame.left + 1, frame.bottom, frame.right - 1};
  }
  for (int column = fill.left; column < fill.right; ++column) {
    int pixel = PixelAtColumn(place, column);
    char style = pixel >= 0 && pixel < int(band.fill.size()) ? band.fill[size_t(pixel)] : char(kBarNone);
    wchar_t shown = L' ';
    attr_t look = A_NORMAL;
    if (style != kBarNone && colours) {
      look = COLOR_PAIR(style == kBarFormatting ? kPairFormatting : style == kBarError ? kPairError : kPairWriting);
    } else if (style != kBarNone) {
      shown = style == kBarFormatting ? L'=' : style == kBarError ? L'!' : L'#';
      look = A_BOLD;
    }
    for (int row = fill.top; row < fill.bottom; ++row) Put(row, column, std::wstring(1, shown), look);
  }
  // The percentage of the latest drawing, on the frame's top edge at its
  // right end. The program fills from pixel 2 up to where the run stands,
  // on a bar two pixels shorter than its frame; the pixels left of a fill
  // end are its share.
  const int full = int(band.frame.right) - 2;
  if (band.framed && band.lastFillEnd >= 0 && full > 0 && CellsWide(frame) >= 8) {
    const int percent = std::min(100, std::max(0, band.lastFillEnd * 100 / full));
    const std::wstring text = L" " + std::to_wstring(percent) + L"% ";
    Put(frame.top, frame.right - 2 - int(text.size()), text, A_BOLD);
  }
}

// --- Dialogs and message boxes -----------------------------------------------

// The focused edit's cursor position, or row -1.
struct CursorPlace {
  int row = -1, column = -1;
};

bool Drawn(const ControlView& control) {
  return control.visible && !(control.kind == kClassStatic && (control.style & 0x1F) == SS_ICON);
}

CursorPlace DrawDialog(const DialogView& dialog, const DialogPlace& place, const ProgressBand& band, ListView* view,
                       const ControlView* viewedList) {
  std::wstring title = ScreenText(dialog.title);
  if (place.fullScreen) {
    Blank(Cells{0, 0, 1, COLS}, A_REVERSE);
    Put(0, std::max(0, (COLS - int(title.size())) / 2), title, A_REVERSE | A_BOLD);
  } else {
    Blank(place.frame, A_NORMAL);
    Frame(place.frame);
    FrameTitle(place.frame, title);
  }

  std::vector<Cells> cells;
  for (const ControlView& control : dialog.controls) cells.push_back(CellsOfUnits(place, control.units));
  CursorPlace cursor;
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const ControlView& control = dialog.controls[i];
    if (!Drawn(control)) continue;
    switch (control.kind) {
      case kClassStatic: {
        std::vector<Cells> others;
        for (size_t j = 0; j < cells.size(); ++j)
          if (j != i && Drawn(dialog.controls[j])) others.push_back(cells[j]);
        DrawStatic(control, RoomForText(cells[i], others, place.client, CaptionOf(control.text).text));
        break;
      }
      case kClassButton: DrawButton(control, cells[i]); break;
      case kClassEdit: {
        int column = DrawEdit(control, cells[i]);
        if (control.focused && control.enabled) cursor = CursorPlace{cells[i].top, column};
        break;
      }
      case kClassComboBox: DrawComboBox(control, cells[i]); break;
      case kClassListBox: DrawListBox(control, cells[i], &control == viewedList ? view : nullptr); break;
    }
  }
  if (band.window == dialog.window && band.framed) DrawBar(place, band);
  return cursor;
}

void DrawMessageBox(const MessageBoxView& box) {
  std::wstring caption = ScreenText(box.caption);
  const int wrapAt = std::max(10, std::min(COLS - 6, 64));
  std::vector<std::wstring> lines = WrapWords(ScreenText(box.text), wrapAt);
  int wide = std::max(int(caption.size()) + 4, 10);
  for (const std::wstring& line : lines) wide = std::max(wide, int(line.size()));
  wide = std::min(wide + 4, COLS);
  const int shownLines = std::min(int(lines.size()), std::max(1, LINES - 6));
  const int high = std::min(shownLines + 4, LINES);
  const int top = std::max(0, (LINES - high) / 2), left = std::max(0, (COLS - wide) / 2);
  Cells frame{top, left, top + high, left + wide};
  Blank(frame, A_NORMAL);
  Frame(frame);
  FrameTitle(frame, caption);
  for (int i = 0; i < shownLines; ++i) Put(top + 1 + i, left + 2, lines[size_t(i)], A_NORMAL, wide - 4);
  const std::wstring button = L"[ OK ]";
  Put(top + high - 2, left + (wide - int(button.size())) / 2, button, A_REVERSE | A_BOLD);
}

}  // namespace

void StartColours() {
  if (!has_colors() || start_color() == ERR) return;
  // The rest of the screen keeps the terminal's own colours where it can;
  // where it cannot (ERR), curses' white on black serves as well.
  (void)use_default_colors();
  const bool bright = COLORS >= 16;
  colours = init_pair(kPairWriting, COLOR_BLACK, short(bright ? COLOR_GREEN + 8 : COLOR_GREEN)) == OK &&
            init_pair(kPairFormatting, COLOR_BLACK, short(bright ? COLOR_BLUE + 8 : COLOR_CYAN)) == OK &&
            init_pair(kPairError, COLOR_BLACK, short(bright ? COLOR_RED + 8 : COLOR_RED)) == OK;
}

void DrawScreen(const ScreenPicture& picture, ListView* listView) {
  erase();
  CursorPlace cursor;
  if (LINES < kLeastRows || COLS < kLeastColumns) {
    Put(0, 0, L"Please make the terminal larger.", A_BOLD);
  } else {
    const ControlView* viewed = ViewedList(picture.dialogs);
    if (viewed == nullptr) {
      *listView = ListView{};
    } else if (listView->list != viewed->window) {
      *listView = ListView{};
      listView->list = viewed->window;
    }
    std::vector<DialogPlace> places = PlaceDialogs(picture.dialogs, LINES, COLS);
    for (size_t i = 0; i < places.size(); ++i)
      cursor = DrawDialog(picture.dialogs[i], places[i], picture.band, listView, viewed);
    for (const MessageBoxView& box : picture.boxes) DrawMessageBox(box);
    if (!picture.boxes.empty()) cursor = CursorPlace{};
  }
  // A terminal that cannot hide its cursor leaves it where drawing ended.
  if (cursor.row >= 0) {
    curs_set(1);
    move(cursor.row, std::min(cursor.column, COLS - 1));
  } else {
    curs_set(0);
  }
  refresh();
}
