// The process-wide state record.
#include "app/app_state.h"

#include <new>

AppState app;

void ResetAppState() {
  app.~AppState();
  new (&app) AppState();
}
