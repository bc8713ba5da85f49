// The stack that the printing system's libraries run on. libcups and cairo
// (with fontconfig and FreeType below it) keep large buffers on the stack,
// far more than a program thread may have: the print thread asks for
// 24 KB, and the stand-in holds a thread to the stack it asks for. On
// Windows the print dialog and the printer driver run on the caller's
// thread within the megabyte that Windows reserves behind every thread's
// stack; here their work runs on a thread of the stand-in's own with the
// host's ordinary stack while the caller waits.
#include <thread>

#include "printing/printing.h"

void RunWithSystemStack(const std::function<void()>& work) {
  std::thread helper(work);
  helper.join();
}
