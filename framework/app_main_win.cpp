// The entry point of the Windows program: safe library loading, the Win32
// platform, and the application object's run around the message loop.
#include <windows.h>

#include "framework/win_app.h"
#include "framework/wnd.h"
#include "win32/proc_address.h"
#include "win32/system_library.h"
#include "win32/win32_platform.h"

namespace {

// Where SetDefaultDllDirectories exists, libraries loaded later by name come
// only from the system directory, never from the executable's folder (often a
// Downloads folder) or the current directory, where anyone may have dropped a
// DLL of the same name. Where it does not (XP, and Vista or 7 without the
// loader update that adds it), SetDllDirectoryA("") only takes the current
// directory out of the search: the executable's folder stays first, and
// PreloadSystemLibraries guards the loads that start-up and the window make.
// Both functions are looked up by name: SetDllDirectoryA is missing on XP
// before SP1.
void RestrictLibrarySearchPath() {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefaultDllDirectories =
      GetProcAddressAs<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories");
  const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  if (setDefaultDllDirectories && setDefaultDllDirectories(kSearchSystem32)) return;
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  const auto setDllDirectory = GetProcAddressAs<SetDllDirectoryFn>(kernel32, "SetDllDirectoryA");
  if (setDllDirectory) setDllDirectory("");
}

// The system libraries that start-up and the window load by name after the
// program's own imports: the input-method library that user32 loads, the theme
// library of every window and message box, and what a message box's input
// method support loads (ole32, and rpcrt4 under it), in the order of their
// dependencies.
constexpr const char* kPreloadedLibraries[] = {"rpcrt4.dll", "ole32.dll", "imm32.dll",
                                               "uxtheme.dll"};

// Loads each of them by its full path in the system directory, for the life
// of the process: a later load by name then finds the loaded module, whatever
// the search order, and no file of that name in the executable's folder is
// looked at. A library that this Windows does not have is left out.
void PreloadSystemLibraries() {
  for (const char* name : kPreloadedLibraries) {
    const std::string path = SystemLibraryPath(name);
    if (!path.empty()) ::LoadLibraryA(path.c_str());
  }
}

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
