// Start-up and shutdown: the toolkit first, then the globals, the window and
// its event loop; the globals go only after every window has.
#include <windows.h>

#include "app/globals.h"
#include "ui/main_window/main_window.h"
#include "ui/toolkit/toolkit.h"

namespace app {

int programMain() {
  if (!toolkit::initialise()) return 0;
  createGlobals();
  toolkit::addEndRoutine(freeGlobals);
  mainwindow::bindEvents(globals()->rxFrame);
  toolkit::loadMainWindow();
  if (toolkit::mainWindowExists()) toolkit::runEventLoop();
  return 0;
}

}  // namespace app

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const int result = app::programMain();
  toolkit::runEndRoutines();
  return result;
}
