// The stand-in's kernel objects: semaphores (counts, names, time-outs),
// threads (end signal, stack, idle state), handles, the clock, the beeps
// and global memory. Checks marked "as on Windows" hold there too: the last
// error is set to 0xdeadbeef first and checked with the result.
#include <gtest/gtest.h>

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "helpers/run_program.h"
#include "kernel32/standin.h"
#include "platform/posix/windows.h"

namespace {

const DWORD kUnset = 0xdeadbeef;

#if defined(__SANITIZE_THREAD__)
const bool kThreadSanitizer = true;
#elif defined(__has_feature)
const bool kThreadSanitizer = __has_feature(thread_sanitizer);
#else
const bool kThreadSanitizer = false;
#endif

// Takes the semaphore's whole count without waiting.
int DrainCount(HANDLE semaphore) {
  int taken = 0;
  while (WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0) taken++;
  return taken;
}

// A real pause, whatever the clock mode.
void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// Waits (generously) until the created threads are idle.
bool EventuallyIdle() {
  for (int i = 0; i < 10000; i++) {
    if (StandInCreatedThreadsIdle()) return true;
    Pause();
  }
  return false;
}

// Restores the clock mode that a test changed.
struct ClockModeGuard {
  bool saved = StandInVirtualClock();
  ~ClockModeGuard() { SetStandInVirtualClock(saved); }
};

}  // namespace

TEST(StandInSemaphore, CountsWithinInitialAndMaximum) {
  struct Case {
    LONG initial, maximum;
    DWORD error;  // 0: created
  } cases[] = {
      {0, 1, ERROR_SUCCESS},           {1, 1, ERROR_SUCCESS},
      {3, 5, ERROR_SUCCESS},           {2, 1, ERROR_INVALID_PARAMETER},
      {-1, 1, ERROR_INVALID_PARAMETER}, {0, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "initial " << c.initial << ", maximum " << c.maximum);
    SetLastError(kUnset);
    HANDLE semaphore = CreateSemaphoreA(nullptr, c.initial, c.maximum, nullptr);
    EXPECT_EQ(c.error, GetLastError());  // as on Windows
    if (c.error != ERROR_SUCCESS) {
      EXPECT_EQ(nullptr, semaphore);
      continue;
    }
    ASSERT_NE(nullptr, semaphore);
    EXPECT_EQ(c.initial, DrainCount(semaphore));
    EXPECT_TRUE(CloseHandle(semaphore));
  }
}

TEST(StandInSemaphore, ReleaseBeyondMaximumChangesNothing) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 2, nullptr);
  ASSERT_NE(nullptr, semaphore);
  LONG previous = 77;
  SetLastError(kUnset);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 2, &previous));
  EXPECT_EQ(DWORD(ERROR_TOO_MANY_POSTS), GetLastError()) << "as on Windows";
  EXPECT_EQ(77, previous) << "left alone on failure";

  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(1, previous);
  SetLastError(kUnset);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_EQ(DWORD(ERROR_TOO_MANY_POSTS), GetLastError());
  EXPECT_EQ(2, DrainCount(semaphore));
  EXPECT_TRUE(CloseHandle(semaphore));
}

TEST(StandInSemaphore, CreatingAnExistingNameOpensIt) {
  SetLastError(kUnset);
  HANDLE first = CreateSemaphoreA(nullptr, 0, 1, "ZoltTestOpen");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError()) << "as on Windows";

  SetLastError(kUnset);
  HANDLE second = CreateSemaphoreA(nullptr, 1, 5, "ZoltTestOpen");
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError()) << "as on Windows";
  EXPECT_NE(first, second) << "a new handle to the same object";

  // The counts given to the second call are ignored: still 0 of at most 1.
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(first, 0));
  EXPECT_TRUE(ReleaseSemaphore(second, 1, nullptr));
  EXPECT_FALSE(ReleaseSemaphore(second, 1, nullptr));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(first, 0));

  // Names are case-sensitive.
  SetLastError(kUnset);
  HANDLE other = CreateSemaphoreA(nullptr, 0, 1, "zolttestopen");
  EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
  for (HANDLE h : {first, second, other}) EXPECT_TRUE(CloseHandle(h));
}

TEST(StandInSemaphore, NameLivesWhileAHandleIsOpen) {
  HANDLE first = CreateSemaphoreA(nullptr, 0, 3, "ZoltTestLife");
  ASSERT_NE(nullptr, first);
  ASSERT_TRUE(ReleaseSemaphore(first, 2, nullptr));
  HANDLE second = CreateSemaphoreA(nullptr, 0, 3, "ZoltTestLife");
  ASSERT_TRUE(CloseHandle(first));

  // One handle left: the object and its count live on.
  SetLastError(kUnset);
  HANDLE third = CreateSemaphoreA(nullptr, 0, 3, "ZoltTestLife");
  EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(third, 0));
  ASSERT_TRUE(CloseHandle(second));
  ASSERT_TRUE(CloseHandle(third));

  // After the last close the name makes a fresh object with its own count.
  SetLastError(kUnset);
  HANDLE fresh = CreateSemaphoreA(nullptr, 0, 1, "ZoltTestLife");
  EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError()) << "as on Windows";
  EXPECT_EQ(0, DrainCount(fresh));
  EXPECT_TRUE(ReleaseSemaphore(fresh, 1, nullptr));
  EXPECT_FALSE(ReleaseSemaphore(fresh, 1, nullptr)) << "the new maximum, 1";
  EXPECT_TRUE(CloseHandle(fresh));
}

TEST(StandInSemaphore, WaitTimesOutOrTakesTheRelease) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
  ASSERT_NE(nullptr, semaphore);
  SetLastError(kUnset);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(semaphore, 20));
  EXPECT_EQ(kUnset, GetLastError()) << "a time-out is no error";

  // Another thread releases while this one waits.
  HANDLE releaser = CreateThread(
      nullptr, 0,
      [](LPVOID s) -> DWORD {
        Sleep(20);
        return ReleaseSemaphore(HANDLE(s), 1, nullptr);
      },
      semaphore, 0, nullptr);
  ASSERT_NE(nullptr, releaser);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(semaphore, 60000));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(releaser, INFINITE));
  EXPECT_TRUE(CloseHandle(releaser));
  EXPECT_TRUE(CloseHandle(semaphore));
}

TEST(StandInHandles, UnknownAndClosedHandlesAreInvalid) {
  HANDLE closed = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  ASSERT_TRUE(CloseHandle(closed));
  for (HANDLE handle : {HANDLE(nullptr), closed}) {
    SCOPED_TRACE(testing::Message() << "handle " << handle);
    SetLastError(kUnset);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(handle, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(kUnset);
    EXPECT_FALSE(ReleaseSemaphore(handle, 1, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(kUnset);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  }
}

TEST(StandInThread, HandleIsSignalledWhenTheThreadEnds) {
  struct Shared {
    HANDLE go;
    DWORD seenId;
  } shared = {CreateSemaphoreA(nullptr, 0, 1, nullptr), 0};
  DWORD id = 0;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        Shared* s = static_cast<Shared*>(p);
        s->seenId = GetCurrentThreadId();
        return WaitForSingleObject(s->go, INFINITE);
      },
      &shared, 0, &id);
  ASSERT_NE(nullptr, thread);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(thread, 0));
  ASSERT_TRUE(ReleaseSemaphore(shared.go, 1, nullptr));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(thread, 60000));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(thread, 0)) << "stays signalled";
  EXPECT_EQ(id, shared.seenId);
  EXPECT_NE(GetCurrentThreadId(), id);
  EXPECT_NE(0u, id);
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_TRUE(CloseHandle(shared.go));
}

TEST(StandInThread, RunsOnTheSmallStackItAsksFor) {
  const size_t kStack = 24576;
  size_t given = StandInThreadStackSize(kStack);
  EXPECT_GE(given, kStack);
  EXPECT_EQ(0u, given % size_t(sysconf(_SC_PAGESIZE))) << given;

  // ~8 KB of locals, touched so the compiler keeps them, as the worker's
  // buffers on its 24,576-byte stack; and the stack the thread really has.
  struct Seen {
    unsigned sum;
    size_t stack;
  };
  static Seen seen;
  HANDLE thread = CreateThread(
      nullptr, kStack,
      [](LPVOID) -> DWORD {
        volatile unsigned char buffer[8192];
        for (size_t i = 0; i < sizeof buffer; i++) buffer[i] = BYTE(i);
        unsigned total = 0;
        for (size_t i = 0; i < sizeof buffer; i++) total += buffer[i];
        seen.sum = total;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
          pthread_attr_getstacksize(&attr, &seen.stack);
          pthread_attr_destroy(&attr);
        }
        return 0;
      },
      nullptr, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(thread, 60000));
  EXPECT_EQ(32u * 255 * 256 / 2, seen.sum);
  // ThreadSanitizer raises small stacks to a minimum of its own.
  if (kThreadSanitizer)
    EXPECT_LE(given, seen.stack);
  else
    EXPECT_EQ(given, seen.stack);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(StandInThread, IdleOnlyWhenBlockedWithoutTimeLimitOrEnded) {
  ASSERT_TRUE(EventuallyIdle()) << "a thread of another test still runs";
  struct Shared {
    HANDLE semaphore;
    std::atomic<int> phase;  // 0 busy, 1 timed waits, 2 wait without limit, 3 end
  } shared = {CreateSemaphoreA(nullptr, 0, 1, nullptr), {0}};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        Shared* s = static_cast<Shared*>(p);
        while (s->phase == 0) {
        }
        while (s->phase == 1) WaitForSingleObject(s->semaphore, 5);
        DWORD result = WaitForSingleObject(s->semaphore, INFINITE);
        while (s->phase != 3) {
        }
        return result;
      },
      &shared, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  EXPECT_FALSE(StandInCreatedThreadsIdle()) << "running";

  shared.phase = 1;
  for (int i = 0; i < 200; i++) {
    ASSERT_FALSE(StandInCreatedThreadsIdle()) << "in a timed wait, round " << i;
    Pause();
  }

  shared.phase = 2;
  EXPECT_TRUE(EventuallyIdle()) << "blocked without time limit";
  ASSERT_TRUE(ReleaseSemaphore(shared.semaphore, 1, nullptr));
  EXPECT_FALSE(StandInCreatedThreadsIdle()) << "released: running before its wait returns";
  shared.phase = 3;

  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(thread, 60000));
  EXPECT_TRUE(StandInCreatedThreadsIdle()) << "ended";
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_TRUE(CloseHandle(shared.semaphore));
}

TEST(StandInClock, VirtualSleepReturnsAtOnceAndMovesTheTicks) {
  ClockModeGuard guard;
  SetStandInVirtualClock(true);
  DWORD before = GetTickCount();
  Sleep(60000);  // the test would hit ctest's time limit on a real clock
  EXPECT_GE(GetTickCount() - before, 60000u);

}

TEST(StandInClock, Setting) {
  ClockModeGuard guard;
  struct Case {
    const char* value;
    bool accepted, virtualClock;
  } cases[] = {
      {nullptr, true, false}, {"", true, false},        {"real", true, false},
      {"virtual", true, true}, {"Virtual", false, false}, {"fast", false, false},
  };
  for (const Case& c : cases) {
    const char* shown = c.value ? c.value : "(unset)";
    SetStandInVirtualClock(false);
    std::string error;
    EXPECT_EQ(c.accepted, ParseClockSetting(c.value, &error)) << shown;
    EXPECT_EQ(c.virtualClock, StandInVirtualClock()) << shown;
    if (!c.accepted)
      EXPECT_EQ(std::string("ZOLT_CLOCK: '") + c.value + "' is not real or virtual", error);
  }
}

TEST(StandInClock, BadSettingStopsTheProgramAtStart) {
  ProgramResult run = RunProgram("ZOLT_CLOCK=fast " + BuiltProgram("zolt"));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, run.exitCode);
  EXPECT_EQ("zolt: ZOLT_CLOCK: 'fast' is not real or virtual\n", run.err);
}

TEST(StandInBeep, SoundsAreRecordedInOrder) {
  ClockModeGuard guard;
  SetStandInVirtualClock(true);
  TakeBeepRecord();
  EXPECT_TRUE(MessageBeep(MB_OK));
  EXPECT_TRUE(Beep(100, 100));
  SetLastError(kUnset);
  EXPECT_FALSE(Beep(10, 100)) << "below 37 Hz";
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));

  std::vector<BeepEvent> sounds = TakeBeepRecord();
  ASSERT_EQ(3u, sounds.size());
  EXPECT_EQ(kBeepMessage, sounds[0].kind);
  EXPECT_EQ(UINT(MB_OK), sounds[0].type);
  EXPECT_EQ(kBeepTone, sounds[1].kind);
  EXPECT_EQ(100u, sounds[1].frequency);
  EXPECT_EQ(100u, sounds[1].duration);
  EXPECT_EQ(kBeepMessage, sounds[2].kind);
  EXPECT_EQ(UINT(MB_ICONEXCLAMATION), sounds[2].type);
  EXPECT_TRUE(TakeBeepRecord().empty());
}

TEST(StandInGlobalMemory, MoveableBlockCountsLocks) {
  HGLOBAL memory = GlobalAlloc(GHND, 100);
  ASSERT_NE(nullptr, memory);
  BYTE* data = static_cast<BYTE*>(GlobalLock(memory));
  ASSERT_NE(nullptr, data);
  for (int i = 0; i < 100; i++) ASSERT_EQ(0, data[i]) << "GMEM_ZEROINIT, byte " << i;
  EXPECT_EQ(data, GlobalLock(memory));

  // As on Windows: TRUE while locked, then FALSE with NO_ERROR, then
  // ERROR_NOT_LOCKED.
  SetLastError(kUnset);
  EXPECT_TRUE(GlobalUnlock(memory));
  EXPECT_FALSE(GlobalUnlock(memory));
  EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
  SetLastError(kUnset);
  EXPECT_FALSE(GlobalUnlock(memory));
  EXPECT_EQ(DWORD(ERROR_NOT_LOCKED), GetLastError());
  EXPECT_EQ(nullptr, GlobalFree(memory));
}

TEST(StandInGlobalMemory, FixedBlockHandleIsItsAddress) {
  HGLOBAL memory = GlobalAlloc(GMEM_FIXED, 16);
  ASSERT_NE(nullptr, memory);
  EXPECT_EQ(memory, GlobalLock(memory));
  memcpy(memory, "written directly", 16);
  EXPECT_EQ(nullptr, GlobalFree(memory));
  SetLastError(kUnset);
  EXPECT_EQ(memory, GlobalFree(memory)) << "freed twice";
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}
