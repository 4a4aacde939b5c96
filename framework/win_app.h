// The application object of our small application framework: the contract of
// InitInstance and ExitInstance around the message loop (framework/app_main_win.cpp).
#pragma once

#include <string>

#include "env/win_types.h"

class CWnd;

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Called once on the main thread. TRUE runs the message loop until the main
  // window is destroyed; FALSE ends the process at once. Either way the process
  // exit code is ExitInstance's result. The base creates no window and answers
  // FALSE, so an application that sets nothing up ends at once.
  virtual BOOL InitInstance();
  // The process exit code; the base answers 0.
  virtual int ExitInstance();

  CWnd* m_pMainWnd = nullptr;
};

// The one application object of the process (set by its constructor).
CWinApp* AfxGetApp();

// The application's run on the main thread (Windows only): InitInstance;
// FALSE ends the run at once, TRUE runs the message loop until the main window
// is gone. Either way the result is ExitInstance's, the process exit code.
int RunApplication(CWinApp& app);

// The system window of the application's main window; NULL when there is
// none (the native build has no windows).
HWND AfxGetMainHwnd();

// The framework's message box, owned by the main window when there is one:
// MB_OK gets the exclamation icon, the caption is the application name (the
// executable's base name). Blocks until dismissed.
int AfxMessageBox(const std::string& text, UINT type);
