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

DWORD Win32UserInterface::QueryWindowStationFlags(DWORD* flags) {
  // The process's own station: a handle of the system's, not to be closed.
  const HWINSTA station = ::GetProcessWindowStation();
  if (!station) return ERROR_INVALID_HANDLE;
  USEROBJECTFLAGS objectFlags = {};
  DWORD needed = 0;
  if (!::GetUserObjectInformationA(station, UOI_FLAGS, &objectFlags, sizeof objectFlags, &needed))
    return ::GetLastError();
  *flags = objectFlags.dwFlags;
  return ERROR_SUCCESS;
}

std::string Win32UserInterface::GetWindowStationName() {
  const HWINSTA station = ::GetProcessWindowStation();
  if (!station) return std::string();
  char name[256] = "";
  DWORD needed = 0;
  if (!::GetUserObjectInformationA(station, UOI_NAME, name, sizeof name, &needed))
    return std::string();
  name[sizeof name - 1] = '\0';
  return name;
}
