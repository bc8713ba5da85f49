// The command reader of the line-mode front end (see line_mode.h): reads
// the input a line at a time on its own thread and acts on the dialog shown
// last as a person would, waiting for what a command needs and refusing it
// once nothing will change any more.
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <string>

#include "front_ends/line_mode_state.h"
#include "kernel32/kernel_sync.h"
#include "kernel32/standin.h"
#include "user32/dialog_input.h"
#include "user32/window.h"

namespace {

// The commands that press a button of the same caption.
const char* const kButtonCommands[] = {"ok",          "test only",     "cancel",     "quit", "help",
                                       "print label", "print message", "print data", "yes",  "no"};

// How long the reader lets the process stay still before it believes that
// nothing will change by itself, and how often it looks meanwhile.
const auto kQuiescentPause = std::chrono::milliseconds(5);
const int kPollMilliseconds = 5;

// Lines from a file descriptor, without their line ends ("\n" or "\r\n").
// Read with read(2) rather than stdio, so that a reader blocked on a
// terminal never holds a stdio lock that the process's exit would want.
struct LineInput {
  int fd;
  std::string pending;
  bool ended = false;
};

bool NextLine(LineInput* in, std::string* line) {
  for (;;) {
    size_t end = in->pending.find('\n');
    if (end != std::string::npos || (in->ended && !in->pending.empty())) {
      if (end == std::string::npos) end = in->pending.size();
      *line = in->pending.substr(0, end);
      in->pending.erase(0, end + 1 > in->pending.size() ? in->pending.size() : end + 1);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    if (in->ended) return false;
    char buffer[4096];
    ssize_t got = read(in->fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      in->ended = true;
      continue;
    }
    in->pending.append(buffer, size_t(got));
  }
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(tolower((unsigned char)c));
  return text;
}

struct Reader {
  LineModeState* mode;
  uint64_t firstThreadOfCommand = 0;  // the serial the first thread a command starts gets
  uint64_t threadOfDialog = 0;        // the created thread whose dialog a command goes to, else 0

  bool Active() const { return ActiveLineMode() == mode; }

  void Say(const std::string& text) const {
    fprintf(mode->settings.errors, "zolt: %s\n", text.c_str());
    fflush(mode->settings.errors);
  }

  bool QuiescentOnce() const { return mode->settings.createdThreadsIdle() && DialogThreadsIdle(); }

  // Nothing is going on and nothing will start by itself: the created
  // threads are idle and the dialog threads wait with empty queues, on two
  // looks a moment apart with no change in between.
  bool Quiescent() const {
    uint64_t before = UserChangeCount();
    if (!QuiescentOnce()) return false;
    std::this_thread::sleep_for(kQuiescentPause);
    return QuiescentOnce() && UserChangeCount() == before;
  }

  // Tries `attempt` until it succeeds (true) or the process is quiescent
  // without it succeeding (false). A line mode that has been replaced
  // gives up silently.
  template <class Attempt>
  bool Persist(Attempt attempt) const {
    for (;;) {
      if (!Active()) return true;
      uint64_t seen = UserChangeCount();
      if (attempt()) return true;
      if (Quiescent()) return attempt();
      WaitForUserChange(seen, kPollMilliseconds);
    }
  }

  // Waits until the dialog threads have handled what they were given, and
  // the threads the command started (a print thread) or resumed (the print
  // thread whose dialog it answered) are idle or ended: what such a thread
  // shows next (the print dialog, the file name's) is then there for the
  // next line, which it may be meant for.
  void WaitHandled() const {
    for (;;) {
      uint64_t seen = UserChangeCount();
      if (!Active()) return;
      // At one instant: looked at one after the other, a thread could post
      // to a dialog and go idle between the looks.
      if (DialogAndCreatedThreadsIdleSince(firstThreadOfCommand, threadOfDialog)) return;
      // Dialogs that still work tell of each change; threads do not, and
      // are looked at again sooner.
      bool settled = StandInCreatedThreadsIdleSince(firstThreadOfCommand) &&
                     (threadOfDialog == 0 || CreatedThreadIdle(threadOfDialog));
      WaitForUserChange(seen, settled ? 100 : kPollMilliseconds);
    }
  }

  // Waits until a dialog is shown and settled; null if this line mode was
  // replaced meanwhile.
  HWND SettledDialog() const {
    for (;;) {
      uint64_t seen = UserChangeCount();
      if (!Active()) return nullptr;
      // Idle first, then the top dialog: the other way round, a dialog a
      // thread was ending could be taken while its next one settled.
      if (DialogThreadsIdle()) {
        HWND dialog = TopDialog();
        if (dialog != nullptr) return dialog;
      }
      WaitForUserChange(seen, 100);
    }
  }

  void Run() {
    LineInput in{mode->settings.input, "", false};
    std::string line;
    while (NextLine(&in, &line)) {
      if (!Active()) return;
      Command(line);
    }
    EndOfInput();
  }

  // A dialog that asks for a text takes the whole line and is confirmed;
  // what its field cannot hold is cut off, and said.
  bool Answer(const std::string& line) const {
    HWND dialog = TopDialog();
    HWND field = dialog != nullptr ? TextEntryField(dialog) : nullptr;
    if (field == nullptr) return false;
    int kept = TypeText(field, line.c_str());
    if (kept >= 0 && size_t(kept) < line.size()) Say("answer cut to " + std::to_string(kept) + " characters");
    PressKey(dialog, kKeyEnter);
    return true;
  }

  void Command(const std::string& line) {
    HWND dialog = SettledDialog();
    if (dialog == nullptr) return;
    firstThreadOfCommand = StandInNextCreatedThread();
    {
      UserHold hold(UserLock());
      threadOfDialog = WindowIsLive(dialog) ? dialog->dialogRecord->queue->createdThread : 0;
    }
    if (Answer(line)) {
      WaitHandled();
      return;
    }
    std::string command = Trimmed(line);
    if (command.empty()) return;
    std::string lower = Lower(command);
    if (lower.compare(0, 9, "password ") == 0) {
      Password(command.substr(9));
    } else if (lower.compare(0, 6, "drive ") == 0) {
      Drive(Trimmed(command.substr(6)));
    } else {
      for (const char* known : kButtonCommands) {
        if (lower == known) {
          Press(lower);
          return;
        }
      }
      // Not a command: perhaps the answer to a dialog about to ask for a
      // text (the file to print to, shown by a thread that is still
      // starting). It is an unknown command once nothing goes on.
      if (Persist([this, &line] { return Answer(line); }))
        WaitHandled();
      else
        Say("unknown command \"" + command + "\"");
    }
  }

  // --- The controls a command looks for, in the dialog shown last --------

  template <class Match>
  static HWND FindControl(HWND dialog, Match match) {
    UserHold hold(UserLock());
    if (!WindowIsLive(dialog)) return nullptr;
    for (HWND control : dialog->dialogRecord->controls)
      if (match(control)) return control;
    return nullptr;
  }

  static bool Usable(HWND control) {
    UserHold hold(UserLock());
    return WindowIsLive(control) && control->enabled && control->visible;
  }

  // An edit field for a text of the dialog's own: not a password, and no
  // message list beside it.
  static HWND TextEntryField(HWND dialog) {
    if (FindControl(dialog, [](HWND c) { return c->controlClass == kClassListBox; }) != nullptr) return nullptr;
    return FindControl(dialog, [](HWND c) { return c->controlClass == kClassEdit && !(c->style & ES_PASSWORD); });
  }

  // A button's name is its caption in the dialog's template: it stays the
  // same control (the same id) whatever caption the program gives it later,
  // from a catalogue that may name it otherwise, or leave it empty.
  static const std::string& TemplateCaption(HWND control) {
    return control->controlTemplate != nullptr ? control->controlTemplate->text : control->text;
  }

  static HWND ButtonCaptioned(HWND dialog, const std::string& command) {
    return FindControl(dialog, [&command](HWND c) {
      return c->controlClass == kClassButton &&
             strcasecmp(CaptionWithoutMnemonic(TemplateCaption(c)).c_str(), command.c_str()) == 0;
    });
  }

  static std::string Caption(HWND window) {
    UserHold hold(UserLock());
    return WindowIsLive(window) ? AnsiToUtf8(window->text.c_str()) : std::string();
  }

  // --- Commands ------------------------------------------------------------

  void Press(const std::string& command) {
    bool done = Persist([&command] {
      HWND button = ButtonCaptioned(TopDialog(), command);
      return button != nullptr && PressButton(button);
    });
    if (done) {
      WaitHandled();
      return;
    }
    HWND dialog = TopDialog();
    HWND button = ButtonCaptioned(dialog, command);
    if (button == nullptr)
      Say("\"" + command + "\" refused: no such button in \"" + Caption(dialog) + "\"");
    else
      Say("\"" + command + "\" refused: \"" + Caption(button) + "\" is " + (IsWindowVisible(button) ? "disabled" : "hidden"));
  }

  void Password(const std::string& text) {
    auto passwordField = [] {
      return FindControl(TopDialog(), [](HWND c) { return c->controlClass == kClassEdit && (c->style & ES_PASSWORD); });
    };
    int kept = -1;
    bool done = Persist([&] {
      HWND field = passwordField();
      if (field == nullptr || !Usable(field)) return false;
      kept = TypeText(field, text.c_str());
      return kept >= 0;
    });
    if (!done) {
      Say("\"password\" refused: no password field is shown");
      return;
    }
    if (kept >= 0 && size_t(kept) < text.size()) Say("password cut to " + std::to_string(kept) + " characters");
    WaitHandled();
  }

  void Drive(const std::string& argument) {
    std::string wanted = argument;
    if (wanted.size() == 1) wanted += ':';
    auto driveList = [] { return FindControl(TopDialog(), [](HWND c) { return c->controlClass == kClassComboBox; }); };
    HWND list = nullptr;
    if (!Persist([&] {
          list = driveList();
          return list != nullptr && Usable(list);
        })) {
      Say("\"drive\" refused: no drive list is shown");
      return;
    }
    int index = -1;
    {
      UserHold hold(UserLock());
      if (!WindowIsLive(list)) return;
      for (size_t i = 0; i < list->items.size() && index < 0; ++i)
        if (strcasecmp(list->items[i].c_str(), wanted.c_str()) == 0) index = int(i);
    }
    if (index < 0) {
      Say("drive \"" + argument + "\" is not in the list");
      return;
    }
    ChooseComboItem(list, index);
    WaitHandled();
  }

  // At the end of input: "&Quit" (by its template, as the command "quit"
  // finds it) as soon as nothing goes on any more; Esc
  // for a dialog that has no such button (a question left unanswered).
  void EndOfInput() {
    std::set<HWND> escaped;
    for (;;) {
      if (!Active()) return;
      uint64_t seen = UserChangeCount();
      HWND dialog = TopDialog();
      if (dialog == nullptr && mode->dialogsShown > 0) return;  // all gone: the reader's work is done
      if (dialog == nullptr || !Quiescent()) {
        WaitForUserChange(seen, dialog == nullptr ? 100 : kPollMilliseconds);
        continue;
      }
      HWND quit = ButtonCaptioned(dialog, "quit");
      if (quit != nullptr && PressButton(quit)) {
        WaitHandled();
        continue;
      }
      if (!escaped.insert(dialog).second) {
        Say("end of input: nothing left to press in \"" + Caption(dialog) + "\"");
        return;
      }
      Say("end of input: Esc to \"" + Caption(dialog) + "\"");
      PressKey(dialog, kKeyEscape);
      WaitHandled();
    }
  }
};

}  // namespace

void RunLineModeReader(LineModeState* mode) {
  Reader reader{mode};
  reader.Run();
}
