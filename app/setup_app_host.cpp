// The native test build has no windows: the application object's InitInstance
// (app/setup_app_win.cpp in the Windows build) is replaced by start-up alone,
// without a command line, and the run never reaches a message loop.
#include "app/setup_app.h"

BOOL CSetupApp::InitInstance() {
  StartUp({});
  return FALSE;
}
