// AppState: the one process-wide state record. It is zero at process start
// except for its defaults ("a:" and a delay of 5 s); the start-up thread
// writes the options before it starts the worker. Flags that the dialog
// thread and the worker both touch are atomic.
#ifndef ZOLT_APP_APP_STATE_H
#define ZOLT_APP_APP_STATE_H

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "container/catalogue.h"
#include "container/disk_format.h"
#include "platform/vwin32.h"
#include "platform/win32.h"

constexpr int kTextBufferSize = 32765;
constexpr int kModuleFileNameSize = 255;
constexpr int kMaxArguments = 25;
// A DOS device-parameter record with its 64-entry track layout.
constexpr int kDeviceParamsSize = 296;

// The values of AppState::operationRunning besides 0 (no run going).
const int kRunGoing = 1;
const int kRunStopping = 2;
const int kRunThrough = 3;

struct AppState {
  // Start-up and command line.
  HINSTANCE instance{};
  int isNT{};                      // NT family: raw volume access; else VWIN32
  char targetDrive[3] = "a:";      // empty when the command-line drive was refused
  int driveFromCommandLine{};      // a removable drive was named on the command line
  // The drive last named on the command line was refused: 15 (no such
  // drive) or 991 (not removable); 0 when it was taken, or none was named.
  // An unattended run that would write a diskette does not start then.
  int refusedDriveCode{};
  // Why an unattended run that never started could not start (its exit
  // code); 0 for none known, which the end of the process tells as
  // ERROR_CANCELLED.
  std::atomic<int> startRefusal{};
  int showHelp{};                  // /H, /?
  int formatWhileCopying{};        // /F, or set by the sink and the writer
  int autoStart{};                 // /Q
  std::atomic<int> integrityCheck{};  // /I or "&Test only"
  char* imageFileName{};           // /D=: points into the command line
  FILE* imageFile{};               // opened ("wb") at start-up
  int quitDelaySeconds = 5;        // /Tn; 0 never quits
  char* textBuffer{};              // kTextBufferSize bytes
  char moduleFileName[kModuleFileNameSize + 1]{};
  uint32_t containerOffset{};      // where the container starts in our own file

  // Catalogue and free texts, from the text block.
  TextTable messages{};
  TextTable freeTexts{};

  // Results.
  // The first error of the run; the exit code. Start-up reads it when the
  // dialog ends, which may be before a stopped worker has finished.
  std::atomic<int> errorCode{};
  std::atomic<int> runStatus{};    // non-zero makes the end of the run a failure
  int lastResult{};                // result of the last step
  std::atomic<int> userStopped{};
  // The run: kRunGoing from the dialog's start of it, kRunStopping once the
  // dialog has taken a confirmed stop for it, kRunThrough when the worker
  // has the whole stream through (nothing left to stop), 0 again when the
  // worker has ended. The two sides change it by exchange, so a stop counts
  // only for a run that was still going.
  std::atomic<int> operationRunning{};
  int passwordProtected{};
  int largeMediaMode{};            // 999: an image above 7,000,000 bytes, or a
                                   // removable medium (NT)

  // Threads and their hand-over.
  // Set by the dialog at its initialisation; the worker reads it after
  // "DialogInit", or without it once that wait has timed out.
  std::atomic<HWND> mainWindow{};
  DWORD dialogThreadId{};
  HANDLE dialogSemaphore{};        // "DialogSemaphore": the catalogue is in memory
  HANDLE dialogInitSemaphore{};    // "DialogInit": the dialog is initialised
  HANDLE threadSemaphore{};        // "ThreadSem": the user started the run
  HFONT listFont{};
  // A failure before the catalogue is in memory, for start-up to show in a
  // message box (the dialog cannot be built without the catalogue).
  char startupFailure[512]{};

  // Restore worker.
  FILE* containerFile{};
  uint8_t* inputBuffer{};          // 8,192 bytes of compressed input
  int32_t deflateBudget{};         // compressed bytes still to be served
  uint8_t* window{};               // 32,768 bytes: the unit of output
  DiskFormatRecord format{};       // the carried diskette's geometry
  uint8_t writerBpb[kBpbLength]{}; // bytes 0 to 24 of the format, for the writer
  uint32_t totalSectors{};
  uint32_t imageBytes{};           // total sectors x bytes per sector, for the size line
  uint16_t cylinderCount{};
  int checksumPresent{};
  uint32_t expectedCrc{};
  uint32_t runningCrc{};
  // The check only: the CRC-32 over every image byte taken so far, the
  // track being filled included; runningCrc takes it at each whole track.
  uint32_t trackCrc{};
  std::atomic<int> imageCompleted{};  // asks for the checksum line
  int lastSinkResult{};
  int driveOpened{};
  uint8_t substitutionTable[256]{};

  // Output sink.
  uint8_t sinkState{};
  uint8_t recordHeader[8]{};       // length and count of the record being read
  uint32_t recordHeaderFilled{};
  uint32_t recordLength{};
  uint32_t recordFilled{};
  uint32_t recordCount{};
  uint16_t trackSectors{};
  uint32_t sectorsRemaining{};
  uint32_t sectorsTotal{};
  uint32_t trackFilled{};
  uint16_t cylinder{};
  uint16_t head{};
  uint8_t* trackBuffer{};
  uint8_t* verifyBuffer{};
  int imageHandedOn{};             // the last track has gone to its destination
  // The sink has passed "ThreadSem"; other threads may look at it to know
  // that a run has begun.
  std::atomic<int> runStarted{};

  // Target drive and diskette writer.
  HANDLE deviceHandle{};           // the open volume (NT) or VWIN32 service (9x)
  int extendedSectorIo{};          // 9x: sector transfers through INT 21h 7305h
  uint8_t* sectorBuffer{};         // 9x: 1,024 bytes, the diskette's first two sectors
  uint8_t driveBpb[kBpbLength]{};  // 9x: the drive's BPB as it was before the run
  DISKIO diskIo{};                 // 9x: the block of every 7305h request
  uint8_t deviceParamsBuffer[kDeviceParamsSize]{};
  uint8_t savedDeviceParams[kDeviceParamsSize]{};
  int driveParamsChanged{};        // 9x: the drive's parameters need restoring
  int volumeLocks{};               // 9x: LockTargetVolume calls not yet undone
  uint32_t writerSectorsLeft{};
  uint32_t writerTrackSectors{};
  uint16_t trackBytes{};
  uint16_t formattedUpTo{};        // cylinders below it are formatted in this run

  // Progress display.
  std::atomic<uint16_t> lastPercent{};
  std::atomic<char> lastBarStyle{'W'};
};

extern AppState app;

// Puts every field back to its start value. Frees nothing; for tests.
void ResetAppState();

#endif
