// Writing the progress line (see linux_progress_line.h).
#include "ui/linux_progress_line.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"

namespace {

int lastTenth = -1;      // the tenth of the last line written, not in place
bool lineOpen = false;   // an in-place line waits for its end
bool onTerminal = false; // standard error is a terminal, as the run's first track found

void Write(HANDLE stream, const char* text) {
  DWORD written = 0;
  // A progress line that cannot be written is no reason to stop the run.
  WriteFile(stream, text, DWORD(strlen(text)), &written, nullptr);
}

}  // namespace

void ReportTrackProgress() {
  HANDLE stream = GetStdHandle(STD_ERROR_HANDLE);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  const uint32_t perTrack = app.format.sectorsPerTrack;
  const uint32_t heads = app.format.heads;
  const uint32_t total = app.sectorsTotal;
  if (perTrack == 0 || heads == 0 || total == 0) return;
  // This track is still counted in sectorsRemaining.
  uint32_t done = total - app.sectorsRemaining + app.trackSectors;
  if (done > total) done = total;
  const uint32_t track = (done + perTrack - 1) / perTrack;  // 1 for the first
  const uint32_t tracks = (total + perTrack - 1) / perTrack;
  const uint32_t percent = uint32_t(uint64_t(done) * 100 / total);
  if (track <= 1) {
    // A new run. Where standard error goes is asked once for it.
    lastTenth = -1;
    DWORD mode;
    onTerminal = GetConsoleMode(stream, &mode) != FALSE;
  }

  // A line is formatted only when it is written: on a terminal after every
  // track, otherwise once per tenth.
  const bool terminal = onTerminal;
  const int tenth = int(percent / 10);
  if (!terminal) {
    if (tenth <= lastTenth) return;
    lastTenth = tenth;
  }
  char line[160];
  snprintf(line, sizeof line, "zolt: track %u of %u (cylinder %u, head %u), %u%%", track, tracks,
           (track - 1) / heads, (track - 1) % heads, percent);
  char out[200];
  if (terminal) {
    // On a terminal: the same line again, its rest cleared.
    snprintf(out, sizeof out, "\r%s\x1b[K%s", line, done == total ? "\n" : "");
    lineOpen = done != total;
  } else {
    snprintf(out, sizeof out, "%s\n", line);
  }
  Write(stream, out);
}

void EndProgressLine() {
  if (!lineOpen) return;
  lineOpen = false;
  HANDLE stream = GetStdHandle(STD_ERROR_HANDLE);
  if (stream != nullptr && stream != INVALID_HANDLE_VALUE) Write(stream, "\n");
}
