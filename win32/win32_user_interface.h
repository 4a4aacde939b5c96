// The application's message box, and the process's window station (user32).
#pragma once

#include "env/user_interface.h"

class Win32UserInterface : public UserInterface {
 public:
  // MessageBoxA with MB_OK and the exclamation icon, owned by owner (or none);
  // the caption is the executable's file name without its extension. Blocks
  // until dismissed.
  void MessageBox(const std::string& text, HWND owner) override;
  DWORD QueryWindowStationFlags(DWORD* flags) override;
  std::string GetWindowStationName() override;
};
