// The progress bar, drawn straight onto the main dialog's client area in
// the free band above the bottom row of buttons, and the two end-of-run
// signals built on it.
#ifndef ZOLT_UI_PROGRESS_H
#define ZOLT_UI_PROGRESS_H

#include <cstdint>

// Bar styles: writing, formatting, a failed or stopped run; 0 repeats the
// last style (a repaint).
constexpr char kBarWriting = 'W';
constexpr char kBarFormatting = 'F';
constexpr char kBarError = 'E';

// Draws the bar for the fraction value / (total - 1) of its length and keeps
// value x 100 / total for repaints.
void DrawProgress(uint32_t value, uint32_t total, char style);

// Success: the default beep and a short low tone.
void SignalSuccess();

// Failure or stop: a red bar to half the length, the exclamation beep and
// the low tone.
void SignalFailure();

#endif
