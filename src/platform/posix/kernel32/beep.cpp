// Beep and MessageBeep: recorded for the tests, and heard as the terminal's
// bell when standard error is a terminal.
//
// On Windows, MessageBeep queues the sound and returns at once, while Beep
// holds the caller for the tone's duration; the stand-in does the same
// (the pause follows the clock setting, so a virtual clock skips it).
#include <unistd.h>

#include <deque>
#include <mutex>

#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

// A process that beeps without a test taking the record keeps only the
// latest sounds.
const size_t kRecordLimit = 1024;

struct BeepRecord {
  std::mutex lock;
  std::deque<BeepEvent> events;
};

BeepRecord& Record() {
  static BeepRecord* record = new BeepRecord;  // never destroyed, like the threads
  return *record;
}

void Sound(const BeepEvent& event) {
  {
    BeepRecord& record = Record();
    std::lock_guard<std::mutex> hold(record.lock);
    if (record.events.size() == kRecordLimit) record.events.pop_front();
    record.events.push_back(event);
  }
  if (isatty(STDERR_FILENO)) {
    ssize_t written = write(STDERR_FILENO, "\a", 1);
    (void)written;  // a bell that cannot be rung is not the program's error
  }
}

}  // namespace

std::vector<BeepEvent> TakeBeepRecord() {
  BeepRecord& record = Record();
  std::lock_guard<std::mutex> hold(record.lock);
  std::vector<BeepEvent> events(record.events.begin(), record.events.end());
  record.events.clear();
  return events;
}

BOOL Beep(DWORD frequency, DWORD duration) {
  // The range of frequencies Windows accepts (37 to 32,767 Hz).
  if (frequency < 0x25 || frequency > 0x7FFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Sound(BeepEvent{kBeepTone, frequency, duration, 0});
  StandInPause(duration);
  return TRUE;
}

BOOL MessageBeep(UINT type) {
  switch (type) {
    case MB_OK:
    case MB_ICONHAND:
    case MB_ICONQUESTION:
    case MB_ICONEXCLAMATION:
    case MB_ICONASTERISK:
    case 0xFFFFFFFF:  // the simple beep
      break;
    default:
      StandInUnsupported("MessageBeep", "a sound type other than MB_OK, the MB_ICON ones or -1");
  }
  Sound(BeepEvent{kBeepMessage, 0, 0, type});
  return TRUE;
}
