// The output sink's state machine.
#include "app/output_sink.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/image_file_writer.h"
#include "app/list_message.h"
#include "app/inflate_glue.h"
#include "container/catalogue.h"
#include "container/container_header.h"
#include "container/image_crc.h"
#include "container/le_bytes.h"
#include "container/substitution.h"
#include "print/print_job.h"
#include "resource.h"
#ifndef _WIN32
#include "ui/linux_progress_line.h"
#endif
#include "ui/main_dialog.h"
#include "ui/message_list.h"
#include "ui/progress.h"
#include "ui/usage_text.h"
#include "writer/disk_output.h"

namespace {

// Deflate cannot expand data by more than about 1,032 to 1, so a record
// longer than that many times the compressed stream cannot be in it.
constexpr uint64_t kMaxInflateRatio = 1032;

void EnableItem(int id, BOOL enable) { EnableWindow(GetDlgItem(app.mainWindow, id), enable); }
void ShowItem(int id, int command) { ShowWindow(GetDlgItem(app.mainWindow, id), command); }

// Lists a catalogue message, formatted, through the worker's buffer.
TextTable* CurrentTable() {
  return app.sinkState == kSinkCatalogueCopy ? &app.messages : &app.freeTexts;
}

// The record's length and count have arrived: allocate its string area.
// Its entries are allocated and set once the area is complete, so that a
// table with entries is always an indexed one: the worker takes a catalogue
// with entries for one in memory, and MessageText reads them.
int StartRecord() {
  const bool catalogue = app.sinkState == kSinkCatalogueHeader;
  const uint32_t length = GetU32(app.recordHeader);
  app.recordCount = GetU32(app.recordHeader + 4);
  if (length < 4) return 13;
  app.recordLength = length - 4;
  app.recordFilled = 0;
  // A string area that the stream cannot hold, or more texts than it has
  // bytes, is damage; never allocate for it.
  // At most one input buffer beyond the budget is still to be inflated.
  const uint64_t compressedLeft = uint64_t(app.deflateBudget > 0 ? app.deflateBudget : 0) + kInputBufferSize;
  if (uint64_t(app.recordLength) > compressedLeft * kMaxInflateRatio ||
      app.recordCount > app.recordLength)
    return 13;
  TextTable* table = catalogue ? &app.messages : &app.freeTexts;
  table->area = (char*)malloc(size_t(app.recordLength) + 1);
  if (table->area == nullptr) return 8;
  table->areaLength = app.recordLength;
  app.sinkState = catalogue ? kSinkCatalogueCopy : kSinkFreeTextCopy;
  return 0;
}

// The string area of `table` is complete: allocate and set its entries
// (the record's count; at least the four free texts). Returns 0 or 8.
int IndexRecord(TextTable* table, uint32_t minimumEntries) {
  const uint32_t entries = app.recordCount > minimumEntries ? app.recordCount : minimumEntries;
  table->entry = (char**)malloc(sizeof(char*) * (entries ? entries : 1));
  if (table->entry == nullptr) {
    FreeTextTable(table);
    return 8;
  }
  table->count = entries;
  table->area[app.recordLength] = '\0';
  IndexTextTable(table);
  return 0;
}

int FinishCatalogue() {
  const int result = IndexRecord(&app.messages, 0);
  if (result != 0) return result;
  app.sinkState = kSinkRecordType;
  app.dialogInitSemaphore = CreateSemaphoreA(nullptr, 0, 1, "DialogInit");
  ReleaseSemaphore(app.dialogSemaphore, 1, nullptr);
  WaitForSingleObject(app.dialogInitSemaphore, 10000);
  Sleep(500);
  return 0;
}

// The free texts have arrived: list them and make the dialog ready.
int FinishFreeTexts() {
  const int result = IndexRecord(&app.freeTexts, uint32_t(kFreeTextCount));
  if (result != 0) return result;
  app.sinkState = kSinkFreeTextsDone;

  EnableItem(IDC_HELP, TRUE);
  static const struct {
    int entry;
    uint32_t heading;
    int printButton;
  } texts[] = {{0, 30, IDC_PRINT_LABEL}, {1, 31, IDC_PRINT_MESSAGE}, {2, 32, IDC_PRINT_DATA}};
  for (const auto& text : texts) {
    char* body = app.freeTexts.entry[text.entry];
    if (strlen(body) > 1) {
      AppendListLine(MessageText(text.heading));
    }
    AppendListText(body);
  }
  for (const auto& text : texts)
    EnableItem(text.printButton, kPrintingAvailable && app.freeTexts.entry[text.entry][0] != '\0');

  LIST_MESSAGE(68, "lu", (unsigned long)app.imageBytes);
  // /H lists the usage as "&Help" does, once there is a list to put it in.
  if (app.showHelp) ListUsageText();

  if (app.freeTexts.entry[3][0] != '\0') {
    app.passwordProtected = 1;
    ShowItem(IDC_PASSWORD_LABEL, SW_SHOW);
    ShowItem(IDC_PASSWORD, SW_SHOW);
    // SetFocus acts only on the calling thread's input; called here it
    // would not reach the dialog's thread (and Wine then gives this thread
    // the keyboard, which it never reads). The dialog moves its own focus.
    PostMessageA(app.mainWindow, kFocusPasswordMessage, 0, 0);
    AppendListLine(MessageText(48));
  } else {
    DeriveSubstitutionTable(app.containerFile, app.containerOffset, nullptr, app.substitutionTable);
    app.passwordProtected = 0;
    if (app.autoStart) {
      ShowItem(IDOK, SW_HIDE);
      ShowItem(IDC_TEST_ONLY, SW_HIDE);
    }
  }
  if (!app.autoStart) {
    EnableItem(IDOK, TRUE);
    EnableItem(IDC_TEST_ONLY, TRUE);
  }
  return 0;
}

// Waits for the user (or starts by itself under /Q) and prepares the
// destination of the image.
int StartTheRun() {
  // Unattended, a drive named on the command line that cannot be written
  // is never replaced by another one (the list's first drive): the run
  // does not start by itself, the list says why, and the process ends
  // with the drive's code.
  const bool driveRefused = app.autoStart && app.refusedDriveCode != 0 && app.integrityCheck == 0 &&
                            app.imageFileName == nullptr;
  if (driveRefused) {
    LIST_MESSAGE(69, "su", kProductPrefix, (unsigned)app.refusedDriveCode);
    app.startRefusal = app.refusedDriveCode;
  } else if (app.autoStart && !app.passwordProtected) {
    PostMessageA(app.mainWindow, WM_COMMAND, IDOK, 0);
  }
  WaitForSingleObject(app.threadSemaphore, INFINITE);
  app.runStarted = 1;

  if (app.imageFileName != nullptr && app.imageFile == nullptr) {
    // The image file named on the command line could not be made: refuse
    // the run rather than write somewhere the user did not ask for.
    LIST_MESSAGE(27, "s", app.imageFileName);
    app.errorCode = 82;  // ERROR_CANNOT_MAKE
    return 82;
  }
  const uint32_t trackBytes = FormatTrackBytes(app.format);
  if (app.integrityCheck != 0 || app.imageFile != nullptr) {
    // For the image file each buffer holds a batch of tracks, and the two
    // take turns with its writer thread (image_file_writer.h).
    const uint32_t bufferBytes = app.imageFile != nullptr ? ImageFileBufferBytes(trackBytes) : trackBytes;
    app.trackBuffer = (uint8_t*)calloc(bufferBytes, 1);
    app.verifyBuffer = (uint8_t*)calloc(bufferBytes, 1);
    if (app.trackBuffer == nullptr || app.verifyBuffer == nullptr) return 8;
    app.runningCrc = app.trackCrc = 0;
    app.cylinder = app.head = 0;
    app.formatWhileCopying = 0;
    app.lastResult = 0;
  } else {
    int result = StartDiskOutput();
    if (result != 0) return result;
  }
  app.sinkState = kSinkRecordType;
  app.trackSectors = app.format.sectorsPerTrack;
  app.sectorsRemaining = app.sectorsTotal = app.totalSectors;
  return 0;
}

void AdvancePosition() {
  if (app.head < app.format.heads - 1) {
    ++app.head;
  } else if (app.cylinder < app.cylinderCount) {
    app.head = 0;
    ++app.cylinder;
  }
}

// A whole track is in trackBuffer (at ImageFileTrack() for the image
// file): hand it to its destination.
int HandOnTrack(uint32_t length) {
  if (app.imageFile != nullptr) {
    const int result = WriteImageFileTrack(length);
    if (result != 0) return result;
    AdvancePosition();
    return 0;
  }
  if (app.integrityCheck != 0) {
    // The track's bytes are in trackCrc already.
    app.runningCrc = app.trackCrc;
    AdvancePosition();
    app.imageCompleted = 1;
    return 0;
  }
  return WriteDiskTrack();
}

// Takes image bytes into tracks. Returns 0 or the run's code; *used is the
// number of bytes consumed.
int TakeImageData(const uint8_t* data, uint32_t count, uint32_t* used) {
  *used = 0;
  if (app.imageHandedOn) {
    // Bytes beyond the image's length are not part of the diskette.
    *used = count;
    return 0;
  }
  if (app.trackSectors > app.sectorsRemaining) app.trackSectors = uint16_t(app.sectorsRemaining);
  const uint32_t trackLength = uint32_t(app.trackSectors) * app.format.bytesPerSector;
  const uint32_t need = trackLength - app.trackFilled;
  const uint32_t take = count < need ? count : need;
  uint8_t* to = (app.imageFile != nullptr ? ImageFileTrack() : app.trackBuffer) + app.trackFilled;
  const uint8_t* table = app.substitutionTable;
  // The check alone keeps no bytes, only their CRC.
  const bool checkOnly = app.integrityCheck != 0 && app.imageFile == nullptr;
  if (app.passwordProtected) {
    for (uint32_t i = 0; i < take; ++i) to[i] = table[data[i]];
    if (checkOnly) app.trackCrc = ImageCrcUpdate(app.trackCrc, to, take);
  } else if (checkOnly) {
    app.trackCrc = ImageCrcUpdate(app.trackCrc, data, take);
  } else if (to != data) {
    // Bytes the decompressor put at ImageDataPlace() are where they belong.
    memcpy(to, data, take);
  }
  *used = take;
  app.trackFilled += take;
  if (take < need) return 0;

  app.lastResult = HandOnTrack(trackLength);
  if (app.lastResult != 0) {
    if (app.errorCode == 0) app.errorCode = app.lastResult;
    return app.lastResult;
  }
  if (app.largeMediaMode)
    DrawProgress(app.sectorsTotal - app.sectorsRemaining, app.sectorsTotal, kBarWriting);
  else
    DrawProgress(app.cylinder > 1 ? app.cylinder - 1u : 0u, app.cylinderCount - 1u, kBarWriting);
#ifndef _WIN32
  ReportTrackProgress();
#endif
  app.trackFilled = 0;
  if (app.trackSectors < app.sectorsRemaining)
    app.sectorsRemaining -= app.trackSectors;
  else
    app.imageHandedOn = 1;
  return 0;
}

// Ends the call with `code` as the run's error.
int Fail(int code) {
  if (app.errorCode == 0) app.errorCode = code;
  return code;
}

}  // namespace

uint8_t* ImageDataPlace(uint32_t* room) {
  if (app.sinkState != kSinkImageData || app.imageHandedOn || app.passwordProtected ||
      app.imageFile == nullptr || app.trackBuffer == nullptr)
    return nullptr;
  *room = ImageFileRoom() - app.trackFilled;
  return ImageFileTrack() + app.trackFilled;
}

int ReportImageFileFull() {
  // After a line feed, as always; the closing one keeps standard output in
  // whole lines where it also carries the message list.
  printf("\n%s\n", MessageText(56));
  fflush(stdout);
  LIST_MESSAGE(56, "");
  return 8;
}

int OutputSink(const uint8_t* data, uint32_t count) {
  app.errorCode = 0;
  app.lastResult = 0;
  uint32_t at = 0;
  while (at < count) {
    if (app.userStopped) {
      app.runStatus = 1;
      app.errorCode = 1;
      return 1;
    }
    switch (app.sinkState) {
      case kSinkRecordType: {
        // The text block's records come in a fixed order; anything else is
        // a damaged container.
        const uint8_t type = data[at++];
        app.recordHeaderFilled = 0;
        if (type == kCatalogueRecordType && app.messages.entry == nullptr)
          app.sinkState = kSinkCatalogueHeader;
        else if (type == kFreeTextRecordType && app.messages.entry != nullptr && app.freeTexts.entry == nullptr)
          app.sinkState = kSinkFreeTextHeader;
        else if (type == kImageMarker && app.runStarted)
          app.sinkState = kSinkImageData;
        else
          return Fail(13);  // ERROR_INVALID_DATA
        break;
      }
      case kSinkCatalogueHeader:
      case kSinkFreeTextHeader: {
        while (at < count && app.recordHeaderFilled < 8) app.recordHeader[app.recordHeaderFilled++] = data[at++];
        if (app.recordHeaderFilled < 8) break;
        int result = StartRecord();
        if (result != 0) return Fail(result);
        break;
      }
      case kSinkCatalogueCopy:
      case kSinkFreeTextCopy: {
        TextTable* table = CurrentTable();
        uint32_t take = app.recordLength - app.recordFilled;
        if (take > count - at) take = count - at;
        memcpy(table->area + app.recordFilled, data + at, take);
        app.recordFilled += take;
        at += take;
        break;
      }
      case kSinkImageData: {
        uint32_t used;
        int result = TakeImageData(data + at, count - at, &used);
        if (result != 0) return result;
        at += used;
        break;
      }
      default:
        return Fail(13);
    }
    // A string area that is complete (also an empty one) is indexed at
    // once; the run starts as soon as the free texts are done, whatever is
    // left in the window.
    if ((app.sinkState == kSinkCatalogueCopy || app.sinkState == kSinkFreeTextCopy) &&
        app.recordFilled == app.recordLength) {
      if (app.sinkState == kSinkCatalogueCopy) {
        int result = FinishCatalogue();
        if (result != 0) return Fail(result);
      } else {
        int result = FinishFreeTexts();
        if (result == 0) result = StartTheRun();
        if (result != 0) return Fail(result);
      }
    }
  }
  return app.errorCode;
}
