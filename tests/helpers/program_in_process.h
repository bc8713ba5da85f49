// The program's whole start-up run in the test's own process, on a thread
// of its own, with a container as its program file and a quiet front end:
// the test acts as the user, pressing buttons and reading the dialog.
#ifndef ZOLT_TESTS_PROGRAM_IN_PROCESS_H
#define ZOLT_TESTS_PROGRAM_IN_PROCESS_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "helpers/test_files.h"

// True once `condition` holds, polled for up to 30 seconds.
bool Eventually(const std::function<bool()>& condition);

// True when the main dialog is shown and its control `id` is visible and
// enabled: a button a user could press. The dialog is shown only once its
// initialisation is over; before that its buttons still have the states of
// the template.
bool CanPress(int id);

// The lines of the main dialog's message list.
std::vector<std::string> MessageListLines();

class ProgramInProcess : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program over `containerPath` with `commandLine`.
  void Start(const std::string& containerPath, const std::string& commandLine);

  // Ends the program as "&Quit" does, once the worker has ended; its exit
  // code.
  int Quit();

  TempDir dir;
  std::string line;
  std::thread program;
  int exitCode = -1;
};

#endif
