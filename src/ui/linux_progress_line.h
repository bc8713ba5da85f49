// The Linux build's progress line: in line mode, how far the run has come
// (the track and the percentage) goes to standard error, rewritten in place
// on a terminal and one line per tenth otherwise. Nothing is written while
// the full-screen dialog holds the terminal (it shows its own bar).
#ifndef ZOLT_UI_LINUX_PROGRESS_LINE_H
#define ZOLT_UI_LINUX_PROGRESS_LINE_H

// After each track the sink has handed on (before its counts move on).
void ReportTrackProgress();

// At the end of a run: ends a line left open by the in-place writing.
void EndProgressLine();

#endif
