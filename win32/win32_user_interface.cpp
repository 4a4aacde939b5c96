#include "win32/win32_user_interface.h"

#include "env/mbcs.h"
#include "framework/win_app.h"
#include "framework/wnd.h"

namespace {

// "Setup" for "D:\Dist\Setup.exe": the last path component without its extension.
std::string ApplicationName() {
  SystemInfo* system = GetPlatform().system;
  const CodePage& cp = system->GetCodePage();
  std::string name = system->GetModuleFileName();
  const size_t slash = MbFindLastChar(name, '\\', cp);
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = MbFindLastChar(name, '.', cp);
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace

void Win32UserInterface::MessageBox(const std::string& text) {
  CWinApp* app = AfxGetApp();
  const HWND owner = (app && app->m_pMainWnd) ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
  const std::string caption = ApplicationName();
  ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
