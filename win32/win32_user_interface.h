// The application's message box (user32).
#pragma once

#include "env/user_interface.h"

class Win32UserInterface : public UserInterface {
 public:
  // MessageBoxA with MB_OK and the exclamation icon; the caption is the
  // executable's file name without its extension; the owner is the main window
  // when there is one. Blocks until dismissed.
  void MessageBox(const std::string& text) override;
};
