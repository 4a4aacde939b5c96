// Log-off and shutdown (kernel32, user32). When a session ends, Windows asks
// the top-level windows of one process after another with WM_QUERYENDSESSION,
// the processes by their shutdown level, higher first (every process starts
// at 0x280). A refusal (FALSE) holds on XP. From Vista on, a process whose
// windows are all hidden when asked and that refuses is terminated, unless
// one of its windows has a block reason: that one is listed on the shutdown
// screen with its reason, and the user decides.
#pragma once

#include <string>

#include "env/win_types.h"

// What ShutdownControl's block-reason calls did.
enum BlockReasonResult : int {
  BLOCK_REASON_DONE,         // the call succeeded
  BLOCK_REASON_UNAVAILABLE,  // user32 lacks the function (before Vista)
  BLOCK_REASON_FAILED,       // the call failed: *error holds GetLastError()
};

class ShutdownControl {
 public:
  virtual ~ShutdownControl() = default;
  // SetProcessShutdownParameters(level, 0): the process is asked at level
  // (0x100 to 0x3FF for applications). Without SHUTDOWN_NORETRY, so that a
  // refusal is shown to the user, not answered by ending the process. false
  // with *error = GetLastError() (ERROR_INVALID_PARAMETER above 0x4FF).
  virtual bool SetShutdownLevel(DWORD level, DWORD* error) = 0;
  // ShutdownBlockReasonCreate(window, reason), looked up by name in the loaded
  // user32 (Vista and later; XP lacks it): the shutdown screen shows reason
  // (cut after 256 characters) for window until DestroyBlockReason. Fails with
  // ERROR_ACCESS_DENIED on every thread but the one that created window.
  virtual BlockReasonResult CreateBlockReason(HWND window, const std::u16string& reason,
                                              DWORD* error) = 0;
  // ShutdownBlockReasonDestroy(window), looked up the same way: frees the
  // reason (does nothing when there is none); the same thread rule.
  virtual BlockReasonResult DestroyBlockReason(HWND window, DWORD* error) = 0;
};
