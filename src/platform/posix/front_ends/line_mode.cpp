// The output side of the line-mode front end (see line_mode.h): list lines
// on standard output, message boxes and questions on standard error, and
// the start of the command reader when the first dialog is shown.
#include "front_ends/line_mode.h"

#include "front_ends/line_mode_state.h"
#include "kernel32/standin.h"
#include "user32/window.h"

namespace {

std::atomic<LineModeState*> active{nullptr};

void RunReader(LineModeState* mode) {
  RunLineModeReader(mode);
  std::lock_guard<std::mutex> hold(mode->endLock);
  mode->readerEnded = true;
  mode->readerEnd.notify_all();
}

void DialogShown(HWND dialog) {
  LineModeState* mode = active;
  mode->dialogsShown++;
  if (!mode->readerStarted.exchange(true)) std::thread(RunReader, mode).detach();

  // A dialog without a message list asks something: its texts go to
  // standard error under its title, so that the person or the log sees
  // the question before answering it. A text that labels the field or list
  // after it is followed by what that holds ("Print: Copies: 1"); a dialog
  // with no text but a field to type in asks its title.
  std::string title, texts;
  {
    UserHold hold(UserLock());
    if (!WindowIsLive(dialog)) return;
    const std::vector<HWND>& controls = dialog->dialogRecord->controls;
    for (HWND control : controls)
      if (control->controlClass == kClassListBox) return;
    title = AnsiToUtf8(dialog->text.c_str());
    bool field = false;
    for (size_t i = 0; i < controls.size(); ++i) {
      HWND control = controls[i];
      field = field || (control->controlClass == kClassEdit && !(control->style & ES_PASSWORD));
      if (control->controlClass != kClassStatic || !control->visible || control->text.empty()) continue;
      texts += title + ": " + AnsiToUtf8(control->text.c_str());
      HWND next = i + 1 < controls.size() ? controls[i + 1] : nullptr;
      if (next != nullptr && next->visible && next->controlClass == kClassEdit && !(next->style & ES_PASSWORD))
        texts += " " + AnsiToUtf8(next->text.c_str());
      if (next != nullptr && next->visible && next->controlClass == kClassComboBox && next->selection >= 0 &&
          size_t(next->selection) < next->items.size())
        texts += " " + AnsiToUtf8(next->items[size_t(next->selection)].c_str());
      texts += "\n";
    }
    if (texts.empty() && field) texts = title + "\n";
  }
  fputs(texts.c_str(), mode->settings.errors);
  fflush(mode->settings.errors);
}

void ListLineAdded(HWND, int, const char* text) {
  LineModeState* mode = active;
  fprintf(mode->settings.output, "%s\n", AnsiToUtf8(text).c_str());
  fflush(mode->settings.output);
}

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
  // Only the OK box; it is acknowledged at once, so a script never waits
  // on it. The line says what a person would have read.
  if ((type & 0x0F) != MB_OK) StandInUnsupported("MessageBoxA", "buttons other than MB_OK");
  LineModeState* mode = active;
  fprintf(mode->settings.errors, "%s: %s\n", AnsiToUtf8(caption != nullptr ? caption : "Error").c_str(),
          AnsiToUtf8(text != nullptr ? text : "").c_str());
  fflush(mode->settings.errors);
  return IDOK;
}

const FrontEnd kLineMode = {
    "line mode", nullptr, DialogShown, nullptr, nullptr, ListLineAdded, MessageBox,
};

}  // namespace

LineModeState* ActiveLineMode() { return InstalledFrontEnd() == &kLineMode ? active.load() : nullptr; }

const FrontEnd* LineModeFrontEnd(const LineModeSettings& settings) {
  LineModeState* mode = new LineModeState;
  mode->settings = settings;
  mode->previous = active;
  active = mode;
  return &kLineMode;
}

void JoinLineModeReader() {
  LineModeState* mode = active;
  if (mode == nullptr || !mode->readerStarted) return;
  std::unique_lock<std::mutex> hold(mode->endLock);
  mode->readerEnd.wait(hold, [mode] { return mode->readerEnded; });
}
