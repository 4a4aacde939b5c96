// Log-off and shutdown (kernel32, user32). The block-reason functions are
// looked up by name at run time and never imported, so the executable still
// starts on XP, which lacks them.
#pragma once

#include "env/shutdown_control.h"

class Win32ShutdownControl : public ShutdownControl {
 public:
  bool SetShutdownLevel(DWORD level, DWORD* error) override;
  BlockReasonResult CreateBlockReason(HWND window, const std::u16string& reason,
                                      DWORD* error) override;
  BlockReasonResult DestroyBlockReason(HWND window, DWORD* error) override;
};
