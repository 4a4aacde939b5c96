// The application object of the Windows program and the Windows part of its start-up.
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/main_wnd.h"
#include "app/setup_app.h"
#include "env/support_log.h"
#include "package/exit_code.h"

CSetupApp theApp;

BOOL CSetupApp::InitInstance() {
  // The arguments as the run-time library split the command line, without the
  // program name.
  std::vector<std::string> args;
  for (int i = 1; i < __argc && __argv; ++i) args.emplace_back(__argv[i]);
  if (!StartUp(args)) return FALSE;

  CMainWnd* mainWnd = new CMainWnd;
  m_pMainWnd = mainWnd;  // before its window exists
  if (!mainWnd->Create(nullptr, "", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr, nullptr,
                       0, nullptr)) {
    // No window and so no worker (the frame has deleted itself): nothing was
    // done, and the run ends as a failed start-up.
    LogLine("Start-up failed: the main window could not be created, error " +
            std::to_string(::GetLastError()));
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  return TRUE;
}
