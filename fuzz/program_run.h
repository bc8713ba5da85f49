// The program run in the fuzz target's own process, as the in-process test
// harness runs it, many times over: the dialog lives on one program thread
// that serves every run, the worker is started by the run's start-up as
// always, and a front end answers for the user: message boxes with "OK",
// and once the dialog is ready the start button pressed (after typing the
// seed corpus's password when the password field is shown).
//
// A run is over when its start-up returns by itself, or when nothing is
// left to happen by itself: every thread that CreateThread started is idle
// (ended, or waiting without time limit) and the dialog waits with nothing
// to handle. The harness then lets a waiting worker go as stopped and
// presses "Quit", as the in-process tests do at their end. Either way every
// thread of the run has ended before the next run starts.
#ifndef ZOLT_FUZZ_PROGRAM_RUN_H
#define ZOLT_FUZZ_PROGRAM_RUN_H

#include <string>

// Once per process: the front end, the virtual clock (the program's fixed
// pauses return at once), Windows NT, a diskette drive A: whose medium is
// a file in the scratch folder, and `programPath` as the program's own file.
void PrepareInProcessProgram(const std::string& programPath);

// The button the front end presses once it is enabled: IDOK,
// IDC_TEST_ONLY, or 0 for none.
void SetStartButton(int id);

// Runs `startUp(context)` (RunRestorer, or a start-up of the target's own
// making) on the program thread until the run is over; returns its result.
// The program's state is left for the caller to look at.
int RunInProcess(int (*startUp)(void* context), void* context);

// What the end of the process would free: the texts, the work buffer, the
// image and container files, the font, and the named semaphores that a run
// that failed before its catalogue leaves open. Then the state record is
// reset for the next run.
void EndInProcessRun();

#endif
