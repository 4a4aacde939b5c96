// The entry point of the Windows program: safe library loading, the Win32
// platform, and the application object's run.
#include <windows.h>

#include "framework/win_app.h"
#include "win32/system_library.h"
#include "win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictLibrarySearchPath();
  PreloadSystemLibraries();
  // Lives until the process ends: nothing may outlive the services it uses.
  Win32Platform* platform = new Win32Platform;
  platform->Install();
  CWinApp* app = AfxGetApp();
  return app ? RunApplication(*app) : 0;
}
