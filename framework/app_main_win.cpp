// The entry point of the Windows program: safe library loading, the Win32
// platform, and the application object's run around the message loop.
#include <windows.h>

#include "framework/win_app.h"
#include "framework/wnd.h"
#include "win32/system_library.h"
#include "win32/win32_platform.h"

namespace {

// InitInstance; FALSE ends the run at once, TRUE runs the message loop until
// the main window is gone. Either way ExitInstance gives the exit code.
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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictLibrarySearchPath();
  PreloadSystemLibraries();
  // Lives until the process ends: nothing may outlive the services it uses.
  Win32Platform* platform = new Win32Platform;
  platform->Install();
  CWinApp* app = AfxGetApp();
  return app ? RunApplication(*app) : 0;
}
