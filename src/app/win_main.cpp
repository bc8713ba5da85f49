// The process entry. Windows passes the command line without the program
// name; the POSIX stand-in's main() does the same.
#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  return RunRestorer(instance, commandLine);
}
