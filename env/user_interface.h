// The application's message box (user32).
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
};
