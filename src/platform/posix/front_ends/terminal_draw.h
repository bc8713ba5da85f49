// Drawing the terminal front end's screen with curses, on the terminal
// thread only: the shown dialogs with their visible controls, the progress
// bar in the band the program drew it in, and the message boxes over
// everything.
//
// How the controls look:
//   static text   its text, wrapped; dimmed when disabled
//   push button   "[ Caption ]" with the mnemonic letter underlined and
//                 bold; the default button's brackets bold; the focused
//                 one in reverse; a disabled one dimmed, without brackets
//                 or mnemonic, so that it reads as unavailable without
//                 attributes too
//   edit          its text on a line of '_' ('*' for each character of a
//                 password), the cursor after it when focused
//   combo box     "[A:      v]", the chosen entry, reverse when focused
//   list box      a frame with as many lines as fit, the newest at the
//                 bottom unless the person scrolled back; arrows on the
//                 frame tell that there are more lines above or below
//   progress bar  its frame as brackets (a box when the band is three
//                 rows or more) and the fill in the style's colour: green
//                 writing, light blue formatting, red for an error; on a
//                 terminal without colours '#', '=' and '!'
#ifndef ZOLT_PLATFORM_POSIX_TERMINAL_DRAW_H
#define ZOLT_PLATFORM_POSIX_TERMINAL_DRAW_H

#include <vector>

#include "front_ends/terminal_state.h"
#include "front_ends/terminal_view.h"

// Everything one drawing shows.
struct ScreenPicture {
  std::vector<DialogView> dialogs;     // the first fills the screen
  ProgressBand band;
  std::vector<MessageBoxView> boxes;   // the last one on top
};

// Once, after the terminal is taken: the colour pairs of the bar, when the
// terminal has colours.
void StartColours();

// Draws the whole screen and shows it. Follows the viewed list in
// `listView` (a new list starts at its newest lines) and notes how many
// rows it showed.
void DrawScreen(const ScreenPicture& picture, ListView* listView);

#endif
