// The application object's run around the message loop.
#include <windows.h>

#include "framework/win_app.h"
#include "framework/wnd.h"

int RunApplication(CWinApp& app) {
  if (!app.InitInstance()) {
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    return app.ExitInstance();
  }
  MSG msg;
  for (;;) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;  // only for invalid arguments, which these are not
    if (got == 0) {
      // The main window's destruction posts the quit message. One that comes
      // from elsewhere while the main window still lives is not ours: ending
      // now would pull the application object from under the worker.
      if (!app.m_pMainWnd) break;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return app.ExitInstance();
}
