// The full-screen terminal front end, worked as a person would: the real
// restorer in a tmux pane (a terminal on both standard streams), read with
// capture-pane and typed at with send-keys. Restores a password-protected
// container to an image file and quits with the "&Quit" mnemonic.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "helpers/run_program.h"
#include "helpers/test_files.h"

namespace {

// How long the screen may take to show what a step waits for: far more
// than the whole run needs, so only a front end that never shows it fails.
const auto kDeadline = std::chrono::seconds(30);
const auto kPollPause = std::chrono::milliseconds(20);

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A tmux server of the test's own, on a socket in the test's folder, ended
// with the test.
struct TmuxServer {
  std::string socket;

  ~TmuxServer() { RunProgram(Command("kill-server")); }

  std::string Command(const std::string& arguments) const {
    return "env -u TMUX tmux -S " + socket + " -f /dev/null " + arguments;
  }

  std::string Screen() const { return RunProgram(Command("capture-pane -p -t zolt")).out; }

  bool Keys(const std::string& keys) const { return RunProgram(Command("send-keys -t zolt " + keys)).exitCode == 0; }

  // Polls the screen until `shows` holds for it; the last screen for the
  // failure message either way.
  bool WaitFor(const std::function<bool(const std::string&)>& shows, std::string* screen) const {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    for (;;) {
      *screen = Screen();
      if (shows(*screen)) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(kPollPause);
    }
  }
};

bool Holds(const std::string& screen, const char* text) { return screen.find(text) != std::string::npos; }

std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes;
  return ReadWholeFile(path, &bytes) ? std::string(bytes.begin(), bytes.end()) : std::string();
}

// Packs the sample with `textOption` (a free text's option and file) and
// a password of at most seven characters (the restorer's own bytes decide
// which passwords can protect a container behind it: the first of a few
// that can, in `password`), starts it in `tmux` (after `environment`) to convert
// its image to out.img in `dir`, its exit code going to the file "exit",
// and waits until the password prompt is listed and "&Ok" is enabled
// (drawn with its brackets).
void StartProtectedConversion(const TempDir& dir, const TmuxServer& tmux, const std::string& textOption,
                              const std::string& environment, std::string* password, std::string* screen) {
  const std::string sample = std::string(ZOLT_BINARY_DIR) + "/sample-1440k.img";
  ProgramResult pack{-1, "", ""};
  for (const char* candidate : {"abc", "key", "secret", "sesame", "zipper", "~~~~"}) {
    *password = candidate;
    pack = RunProgram(BuiltProgram("zolt-pack") + " build --image " + sample + " " + textOption + " --password " +
                      candidate + " -o " + dir / "restorer");
    if (pack.exitCode == 0) break;
  }
  ASSERT_EQ(pack.exitCode, 0) << pack.err;
  const std::string run = environment + " ZOLT_CLOCK=virtual ZOLT_DRIVES=a:=floppy:" + dir / "a.img" + " " +
                          dir / "restorer" + " a: /D=" + dir / "out.img" + "; echo EXIT=$? > " + dir / "exit";
  ProgramResult started = RunProgram(tmux.Command("new-session -d -s zolt -x 100 -y 30 " + Quoted("sh -c " + Quoted(run))));
  ASSERT_EQ(started.exitCode, 0) << started.err;
  ASSERT_TRUE(tmux.WaitFor(
      [](const std::string& s) {
        return Holds(s, "This file is password protected, please enter the password:") && Holds(s, "[ Ok ]");
      },
      screen))
      << *screen;
}

TEST(TerminalFrontEndTest, RestoresWithPasswordAndQuitsByMnemonic) {
  if (RunProgram("tmux -V").exitCode != 0) GTEST_SKIP() << "tmux is not installed";

  TempDir dir;
  const std::string sample = std::string(ZOLT_BINARY_DIR) + "/sample-1440k.img";
  ASSERT_TRUE(WriteWholeFile(dir / "message.txt", {'H', 'e', 'l', 'l', 'o', '\n'}));
  TmuxServer tmux{dir / "tmux"};
  // The password row is shown with the focus.
  std::string screen;
  std::string password;
  StartProtectedConversion(dir, tmux, "--message " + dir / "message.txt", "", &password, &screen);
  if (HasFatalFailure()) return;

  ASSERT_TRUE(tmux.Keys("-l " + password));
  const std::string stars(password.size(), '*');
  ASSERT_TRUE(tmux.WaitFor([&stars](const std::string& s) { return Holds(s, (stars + "_").c_str()); }, &screen))
      << screen;
  EXPECT_FALSE(Holds(screen, password.c_str())) << "the password field shows its characters:\n" << screen;

  ASSERT_TRUE(tmux.Keys("Enter"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "The operation completed with no error."); },
                           &screen))
      << screen;
  // The bar's percentage, beside it on its frame.
  EXPECT_TRUE(Holds(screen, " 100% ")) << screen;
  std::vector<uint8_t> written, expected;
  ASSERT_TRUE(ReadWholeFile(dir / "out.img", &written));
  ASSERT_TRUE(ReadWholeFile(sample, &expected));
  EXPECT_TRUE(written == expected) << "the image file differs from the sample";

  // The focus is still in the password field, where "q" would be typed:
  // the mnemonic goes with Alt.
  ASSERT_TRUE(tmux.Keys("M-q"));
  const auto end = std::chrono::steady_clock::now() + kDeadline;
  while (ReadText(dir / "exit").empty() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(kPollPause);
  EXPECT_EQ(ReadText(dir / "exit"), "EXIT=0\n") << tmux.Screen();
}

}  // namespace

namespace {

// Keys typed into each dialog that has an edit control go to the edit, the
// letters of every button's mnemonic among them: the password field (also
// after a wrong password, when the field's text is selected and the next
// try replaces it) and the print-to-file name. Escape in Ready asks
// nothing and stops nothing.
TEST(TerminalFrontEndTest, TypedLettersGoToTheEditNeverToTheButtons) {
  if (RunProgram("tmux -V").exitCode != 0) GTEST_SKIP() << "tmux is not installed";

  TempDir dir;
  const std::string sample = std::string(ZOLT_BINARY_DIR) + "/sample-1440k.img";
  ASSERT_TRUE(WriteWholeFile(dir / "label.txt", {'T', 'M', 'U', 'X', ' ', 'L', 'A', 'B', 'E', 'L', '\n'}));
  TmuxServer tmux{dir / "tmux"};
  // No printer server: the print dialog offers the file port alone.
  std::string screen;
  std::string password;
  StartProtectedConversion(dir, tmux, "--label " + dir / "label.txt", "CUPS_SERVER=/nonexistent/zolt-tmux-test.sock",
                           &password, &screen);
  if (HasFatalFailure()) return;

  // Escape in Ready: no question.
  ASSERT_TRUE(tmux.Keys("Escape"));
  // A key that reaches the terminal right behind an Esc, in the same read,
  // is how terminals send Alt with it: the letters come after a pause, as a
  // person's would.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // The mnemonics of "Print &label", "Print &message", "Print &data", "&Test
  // only", "&Ok", "&Cancel", "&Quit" and "&Help", typed into the focused
  // password field (it takes 12 characters).
  ASSERT_TRUE(tmux.Keys("-l lmdtocqh"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "********_"); }, &screen)) << screen;
  EXPECT_FALSE(Holds(screen, "Working...")) << "a letter started a run:\n" << screen;
  EXPECT_FALSE(Holds(screen, "Are you sure")) << "Escape asked a question in Ready:\n" << screen;
  EXPECT_TRUE(ReadText(dir / "exit").empty()) << "a letter quit the program";

  // A wrong password: the field keeps it, selected; the right one typed
  // next replaces it.
  ASSERT_TRUE(tmux.Keys("Enter"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "Invalid password, please re-enter"); }, &screen))
      << screen;
  ASSERT_TRUE(tmux.Keys("-l " + password));
  const std::string stars(password.size(), '*');
  ASSERT_TRUE(tmux.WaitFor(
      [&stars](const std::string& s) { return Holds(s, (stars + "_").c_str()) && !Holds(s, ("*" + stars).c_str()); },
      &screen))
      << "the typed password did not replace the wrong one:\n" << screen;
  ASSERT_TRUE(tmux.Keys("Enter"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "The operation completed with no error."); },
                           &screen))
      << screen;
  std::vector<uint8_t> written, expected;
  ASSERT_TRUE(ReadWholeFile(dir / "out.img", &written));
  ASSERT_TRUE(ReadWholeFile(sample, &expected));
  EXPECT_TRUE(written == expected) << "the image file differs from the sample";

  // The label to a file: the print dialog (Enter takes the file port), then
  // the file name, every letter of it typed into the name field.
  ASSERT_TRUE(tmux.Keys("M-l"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "FILE:"); }, &screen)) << screen;
  ASSERT_TRUE(tmux.Keys("Enter"));
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return Holds(s, "Enter file name to print to:"); }, &screen))
      << screen;
  const std::string printed = dir / "lmdtocqh-cancel.txt";
  ASSERT_TRUE(tmux.Keys("-l " + Quoted(printed)));
  ASSERT_TRUE(tmux.Keys("Enter"));
  const auto end = std::chrono::steady_clock::now() + kDeadline;
  while (ReadText(printed).empty() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(kPollPause);
  EXPECT_EQ(ReadText(printed), "TMUX LABEL\r\n\r\n") << tmux.Screen();
  ASSERT_TRUE(tmux.WaitFor([](const std::string& s) { return !Holds(s, "Enter file name to print to:"); }, &screen))
      << "the ended dialog is still drawn:\n" << screen;
  EXPECT_TRUE(ReadText(dir / "exit").empty()) << "a letter of the file name quit the program";

  ASSERT_TRUE(tmux.Keys("M-q"));
  const auto quitEnd = std::chrono::steady_clock::now() + kDeadline;
  while (ReadText(dir / "exit").empty() && std::chrono::steady_clock::now() < quitEnd)
    std::this_thread::sleep_for(kPollPause);
  EXPECT_EQ(ReadText(dir / "exit"), "EXIT=0\n") << tmux.Screen();
}

}  // namespace
