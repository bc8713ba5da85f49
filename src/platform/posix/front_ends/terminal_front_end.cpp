// The terminal front end's record and its thread (see terminal.h).
//
// Curses is not thread-safe, so one thread, started when the front end is
// installed, does all of the terminal's work: it waits for keys and for
// wake-ups, acts on the keys, and draws the screen again when something
// changed. The dialog manager's callbacks and the program's drawings come
// on the program's threads; they only note the change and wake the
// terminal thread. A message box blocks its caller until the person
// answers it on the terminal thread.
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "gdi32/gdi_record.h"
#include "kernel32/standin.h"
#include "front_ends/terminal.h"
#include "front_ends/terminal_draw.h"
#include "front_ends/terminal_keys.h"
#include "front_ends/terminal_tty.h"

namespace {

const wint_t kEscapeCharacter = 0x1B;
const wint_t kControlL = 0x0C;

// The program draws its progress bar after every track, hundreds of times
// a second on a fast medium. A change that is only the bar is drawn at most
// this often; any other change draws everything at once, the bar's latest
// state with it, and a bar held back is drawn when its time comes.
const auto kBarRedrawInterval = std::chrono::milliseconds(125);

struct PendingMessageBox {
  MessageBoxView view;
  bool answered = false;
};

// What the program's threads hand to the terminal thread. Never freed: the
// program's threads may still report changes while the process ends.
struct TerminalFront {
  std::mutex lock;                  // over all below
  std::condition_variable answered; // a message box answered, or the thread ended
  bool changed = true;              // something to draw again
  bool barChanged = false;          // the progress bar changed (and nothing else, unless `changed`)
  std::chrono::steady_clock::time_point barDrawn;  // when the screen was last drawn
  bool newLine = false;             // a line added to a list: back to the newest lines
  ProgressBand band;
  std::deque<PendingMessageBox*> boxes;  // the last one on top
  bool running = false;             // the terminal thread was started
  bool endAsked = false;
  bool ended = false;               // the terminal thread gave the terminal back
  std::thread thread;
};

TerminalFront& Front() {
  static TerminalFront* front = new TerminalFront;
  return *front;
}

void NoteChange(bool newLine) {
  TerminalFront& front = Front();
  {
    std::lock_guard<std::mutex> hold(front.lock);
    front.changed = true;
    front.newLine = front.newLine || newLine;
  }
  WakeTerminalThread();
}

// --- What the program's threads report -------------------------------------

void DialogShown(HWND) { NoteChange(false); }

void DialogEnded(HWND dialog) {
  // Its drawings go with it: a later dialog at the same address starts clean.
  {
    TerminalFront& front = Front();
    std::lock_guard<std::mutex> hold(front.lock);
    if (front.band.window == dialog) front.band = ProgressBand{};
  }
  NoteChange(false);
}
void ControlChanged(HWND) { NoteChange(false); }
void ListLineAdded(HWND, int, const char*) { NoteChange(true); }

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
  if ((type & 0x0F) != MB_OK) StandInUnsupported("MessageBoxA", "buttons other than MB_OK");
  TerminalFront& front = Front();
  PendingMessageBox box;
  box.view.caption = caption != nullptr ? caption : "Error";
  box.view.text = text != nullptr ? text : "";
  std::unique_lock<std::mutex> hold(front.lock);
  if (front.ended) return IDOK;  // the screen is gone: nobody can answer
  front.boxes.push_back(&box);
  front.changed = true;
  hold.unlock();
  WakeTerminalThread();
  hold.lock();
  front.answered.wait(hold, [&] { return box.answered || front.ended; });
  front.boxes.erase(std::remove(front.boxes.begin(), front.boxes.end(), &box), front.boxes.end());
  return IDOK;
}

// The bar's style from its fill colour: green, light blue or red.
char StyleOfColour(COLORREF colour) {
  int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  if (red > green && red > blue) return kBarError;
  if (green > blue) return kBarWriting;
  return kBarFormatting;
}

// The program's drawings on a dialog: the bar's frame and its fills.
void Drawn(const GdiOperation& operation) {
  if (operation.device != kGdiWindowDevice || operation.window == nullptr) return;
  TerminalFront& front = Front();
  bool wake;
  {
    std::lock_guard<std::mutex> hold(front.lock);
    ProgressBand& band = front.band;
    if (band.window != operation.window) {
      band = ProgressBand{};
      band.window = operation.window;
      front.changed = true;  // a new bar: at once
    }
    const RECT& rect = operation.rect;
    // With the null pen, Rectangle leaves out one more column on the right.
    const int right = operation.kind == kGdiRectangle && operation.nullPen ? int(rect.right) - 1 : int(rect.right);
    if (right > int(band.fill.size())) band.fill.resize(size_t(right), kBarNone);
    if (operation.kind == kGdiDrawEdge) {
      band.framed = true;
      band.frame = rect;
    } else if (!operation.nullBrush) {
      char style = StyleOfColour(operation.brushColour);
      for (int x = std::max(0, int(rect.left)); x < right; ++x) band.fill[size_t(x)] = style;
      band.lastFillEnd = right;
    }
    // The terminal thread is woken once for a bar change; the changes after
    // it, until it draws, only add to what it will draw.
    wake = !front.barChanged && !front.changed;
    front.barChanged = true;
  }
  if (wake) WakeTerminalThread();
}

// --- The terminal thread -------------------------------------------------------

// A key from curses as the front end names it; false for keys it ignores.
bool NameKey(int kind, wint_t code, bool alt, KeyPress* key) {
  *key = KeyPress{kTermCharacter, 0, alt};
  if (kind == KEY_CODE_YES) {
    switch (code) {
      case KEY_ENTER: key->name = kTermEnter; return true;
      case KEY_BTAB: key->name = kTermBackTab; return true;
      case KEY_BACKSPACE: key->name = kTermBackspace; return true;
      case KEY_UP: key->name = kTermUp; return true;
      case KEY_DOWN: key->name = kTermDown; return true;
      case KEY_LEFT: key->name = kTermLeft; return true;
      case KEY_RIGHT: key->name = kTermRight; return true;
      case KEY_PPAGE: key->name = kTermPageUp; return true;
      case KEY_NPAGE: key->name = kTermPageDown; return true;
      case KEY_HOME: key->name = kTermHome; return true;
      case KEY_END: key->name = kTermEnd; return true;
      default: return false;
    }
  }
  switch (code) {
    case '\r':
    case '\n': key->name = kTermEnter; return true;
    case '\t': key->name = kTermTab; return true;
    case 0x08:
    case 0x7F: key->name = kTermBackspace; return true;
    case kEscapeCharacter: key->name = kTermEscape; return true;
  }
  if (code < 0x20) return false;
  key->character = wchar_t(code);
  return true;
}

// While a message box shows, the keys answer it and do nothing else.
bool AnswerMessageBox(const KeyPress& key) {
  TerminalFront& front = Front();
  std::lock_guard<std::mutex> hold(front.lock);
  if (front.boxes.empty()) return false;
  bool answers = key.name == kTermEnter || key.name == kTermEscape || (key.name == kTermCharacter && key.character == L' ');
  if (answers) {
    front.boxes.back()->answered = true;
    front.boxes.pop_back();
    front.answered.notify_all();
  } else {
    // A terminal without a bell stays silent.
    (void)beep();
  }
  front.changed = true;
  return true;
}

void ActOnKey(const KeyPress& key, ListView* listView) {
  if (AnswerMessageBox(key)) return;
  if (!DialogKey(key, ShownDialogViews(), listView)) (void)beep();  // a terminal without a bell stays silent
  NoteChange(false);  // the list's view may have moved
}

// Reads and acts on every key waiting; true when there was one.
bool ReadKeys(ListView* listView) {
  bool any = false;
  bool holding = false;  // a key read after an Esc that was not Alt's
  int heldKind = ERR;
  wint_t heldCode = 0;
  for (;;) {
    wint_t code = heldCode;
    int kind = holding ? heldKind : wget_wch(stdscr, &code);
    holding = false;
    if (kind == ERR) return any;  // no key waiting
    any = true;
    if (kind == KEY_CODE_YES && code == KEY_RESIZE) continue;  // the size is followed on every wake-up
    if (kind == OK && code == kControlL) {
      clearok(curscr, TRUE);
      NoteChange(false);
      continue;
    }
    bool alt = false;
    if (kind == OK && code == kEscapeCharacter) {
      // Esc with a character right behind it, in the same write, is how
      // terminals send Alt (Meta) with that character.
      heldKind = wget_wch(stdscr, &heldCode);
      if (heldKind == OK && heldCode >= 0x20 && heldCode != 0x7F) {
        code = heldCode;
        alt = true;
      } else {
        holding = heldKind != ERR;
      }
    }
    KeyPress key;
    if (NameKey(kind, code, alt, &key)) ActOnKey(key, listView);
  }
}

// Draws the screen again if something changed. Returns -1, or the
// milliseconds until a bar change held back is due.
int Draw(ListView* listView) {
  TerminalFront& front = Front();
  ScreenPicture picture;
  {
    std::lock_guard<std::mutex> hold(front.lock);
    if (!front.changed && !front.barChanged) return -1;
    const auto now = std::chrono::steady_clock::now();
    if (!front.changed && now - front.barDrawn < kBarRedrawInterval) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kBarRedrawInterval - (now - front.barDrawn));
      return int(wait.count()) + 1;
    }
    front.changed = false;
    front.barChanged = false;
    front.barDrawn = now;
    if (front.newLine) listView->linesBack = 0;
    front.newLine = false;
    picture.band = front.band;
    for (PendingMessageBox* box : front.boxes) picture.boxes.push_back(box->view);
  }
  picture.dialogs = ShownDialogViews();
  DrawScreen(picture, listView);
  return -1;
}

void RunTerminalThread() {
  TerminalFront& front = Front();
  ListView listView;
  bool keysGone = false;  // the terminal hung up: only wake-ups are left to wait for
  for (;;) {
    const int due = Draw(&listView);
    // poll leaves out a negative descriptor.
    struct pollfd waits[2] = {{keysGone ? -1 : TerminalKeysDescriptor(), POLLIN, 0},
                              {TerminalWakeDescriptor(), POLLIN, 0}};
    if (poll(waits, 2, due) < 0 && errno != EINTR) TerminalFailed("poll");
    if (waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) keysGone = true;
    TakeTerminalWakeUps();
    {
      std::lock_guard<std::mutex> hold(front.lock);
      if (front.endAsked) break;
    }
    if (FollowTerminalSize()) NoteChange(false);
    ReadKeys(&listView);
  }
  GiveTerminalBack();
  std::lock_guard<std::mutex> hold(front.lock);
  front.ended = true;
  front.answered.notify_all();
}

void StartInput() {
  TerminalFront& front = Front();
  std::lock_guard<std::mutex> hold(front.lock);
  if (front.running) return;
  try {
    front.thread = std::thread(RunTerminalThread);
  } catch (const std::system_error&) {
    errno = EAGAIN;
    TerminalFailed("starting the terminal thread");
  }
  front.running = true;
}

const FrontEnd kTerminal = {
    "terminal", StartInput, DialogShown, DialogEnded, ControlChanged, ListLineAdded, MessageBox,
};

}  // namespace

const FrontEnd* TerminalFrontEnd() {
  if (!TakeTerminal()) return nullptr;
  SetGdiObserver(Drawn);
  return &kTerminal;
}

void EndTerminalFrontEnd() {
  if (!TerminalTaken()) return;
  TerminalFront& front = Front();
  std::unique_lock<std::mutex> hold(front.lock);
  if (!front.running) {
    hold.unlock();
    GiveTerminalBack();
    return;
  }
  front.endAsked = true;
  hold.unlock();
  WakeTerminalThread();
  hold.lock();
  front.answered.wait(hold, [&] { return front.ended; });
  hold.unlock();
  // It has given the terminal back and only returns now.
  if (front.thread.joinable()) front.thread.join();
}
