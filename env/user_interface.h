// The application's message box, and whether anybody can see it (user32).
#pragma once

#include <string>

// Before the class: <windows.h> makes MessageBox a macro (MessageBoxA), which
// must rename the member alike in every file that declares or calls it.
#include "env/win_types.h"

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // MessageBoxA(owner, text, caption, MB_OK | MB_ICONEXCLAMATION), the
  // application name as caption, owned by owner (NULL: no owner): returns once
  // the user has dismissed it.
  virtual void MessageBox(const std::string& text, HWND owner) = 0;
  // GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &objectFlags,
  // sizeof objectFlags, &needed): ERROR_SUCCESS with *flags set to the
  // USEROBJECTFLAGS' dwFlags of the process's window station: WSF_VISIBLE where
  // it has visible display surfaces (the interactive WinSta0), not where it has
  // none (a service's own station, where deployment tools run installs; Wine 8
  // gives its services __wineservice_winstation, without the flag). Else the
  // error: GetLastError() of the failed query, ERROR_INVALID_HANDLE where
  // GetProcessWindowStation answers NULL; *flags is then not touched. The
  // station's handle belongs to the system and is never closed.
  virtual DWORD QueryWindowStationFlags(DWORD* flags) = 0;
  // GetUserObjectInformationA(GetProcessWindowStation(), UOI_NAME, buffer, 256,
  // &needed): the station's name ("WinSta0", "Service-0x0-3e7$"); empty when a
  // call fails, also for a name that does not fit (nothing is copied then).
  virtual std::string GetWindowStationName() = 0;
};
