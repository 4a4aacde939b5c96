#include "win32/win32_user_interface.h"

#include "env/platform.h"
#include "env/system_info.h"

namespace {

// "Setup" for "D:\Dist\Setup.exe": the last path component without its
// extension, taken from the wide path (the ANSI one may be cut or empty for a
// long path) and shown in the ANSI code page.
std::string ApplicationName() {
  SystemInfo* system = GetPlatform().system;
  std::u16string name = system->GetModuleFileNameW();
  const size_t slash = name.rfind(u'\\');
  if (slash != std::u16string::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.erase(dot);
  std::string caption;
  bool usedDefault = false;
  if (!system->WideCharToAnsi(name, &caption, &usedDefault)) caption.clear();
  return caption;
}

}  // namespace

void Win32UserInterface::MessageBox(const std::string& text, HWND owner) {
  const std::string caption = ApplicationName();
  ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
