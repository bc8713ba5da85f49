// The terminal front end's own records, beside the dialogs it shows: the
// progress bar as the program drew it, the person's view of the message
// list, and the message boxes waiting for an answer. Shared by the front
// end (terminal_front_end.cpp), the drawing (terminal_draw.cpp) and the
// keys (terminal_keys.cpp).
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_STATE_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_STATE_H

#include <string>
#include <vector>

#include "platform/posix/windows.h"

// The progress bar: the program draws it with GDI straight onto a dialog's
// client area (a DrawEdge frame, then a filled Rectangle), and nothing
// erases it, so a shorter fill leaves the rest of a longer one standing.
// The band keeps, for each pixel column, the style of the last fill that
// covered it, as the window's pixels would.
enum BarStyle : char {
  kBarNone = 0,
  kBarWriting = 'W',     // green
  kBarFormatting = 'F',  // light blue
  kBarError = 'E',       // red
};

struct ProgressBand {
  HWND window = nullptr;   // the dialog drawn on; null before any drawing
  bool framed = false;     // the frame has been drawn
  RECT frame{};            // the frame, in the client area's pixels
  std::vector<char> fill;  // a BarStyle per pixel column
  int lastFillEnd = -1;    // where the latest fill ends (its first pixel
                           // left out); -1 before any fill
};

// The person's view of the message list: the program scrolls it to each
// new line; the person may scroll back and sideways.
struct ListView {
  HWND list = nullptr;     // the list the view is of
  int linesBack = 0;       // how far the view is from the newest lines
  int column = 0;          // the first column shown
  int pageRows = 1;        // the rows the list showed at the last drawing
  int pageColumns = 1;     // and its columns
};

// A message box on the screen, over everything, until it is answered.
struct MessageBoxView {
  std::string caption;  // Windows-1252
  std::string text;
};

#endif
