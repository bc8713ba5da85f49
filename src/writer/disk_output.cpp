// Writing diskettes is not part of this build yet: a diskette run is
// refused with "Unsupported operation" before anything touches a drive.
#include "writer/disk_output.h"

#include "app/app_state.h"
#include "container/catalogue.h"
#include "ui/message_list.h"

namespace {
constexpr int kNotSupported = 50;  // ERROR_NOT_SUPPORTED
}

int StartDiskOutput() {
  AppendListMessage(app.textBuffer, kTextBufferSize, 91, "");
  app.errorCode = kNotSupported;
  return kNotSupported;
}

int WriteDiskTrack() { return kNotSupported; }

void ReleaseDiskOutput() {}
