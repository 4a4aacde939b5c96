// Log-off and shutdown as Windows documents them for the version that a
// FakeSystemInfo reports: XP lacks the block-reason functions and lets a
// refusal hold; Vista and later terminate a refusing process whose windows
// are hidden when asked unless one of them has a block reason.
#pragma once

#include <map>
#include <string>
#include <thread>

#include "env/platform.h"

class FakeSystemInfo;

class FakeShutdownControl : public ShutdownControl {
 public:
  explicit FakeShutdownControl(const FakeSystemInfo& system) : system_(system) {}

  // A new top-level window of the calling thread, hidden (as the main window
  // is until its WM_QUERYENDSESSION handler shows it).
  HWND CreateWindow();

  enum class Outcome {
    kEnds,        // the window agreed: the session goes on ending
    kRefused,     // the log-off or shutdown waits (Vista on: the user decides)
    kTerminated,  // Windows ended the process in the middle of whatever it did
  };
  // What becomes of the process when Windows asks window and it answers
  // answer while hidden.
  Outcome QueryEndSession(HWND window, BOOL answer) const;

  // The process's shutdown level and flags (every process starts at 0x280).
  DWORD level = 0x280;
  DWORD flags = 0;
  // The block reason of each window that has one.
  std::map<HWND, std::u16string> reasons;

  bool SetShutdownLevel(DWORD newLevel, DWORD* error) override;
  BlockReasonResult CreateBlockReason(HWND window, const std::u16string& reason,
                                      DWORD* error) override;
  BlockReasonResult DestroyBlockReason(HWND window, DWORD* error) override;

 private:
  bool HasBlockReasons() const;  // Vista and later
  // FAILED with the error the call gets from this thread for window; DONE
  // when the call may proceed.
  BlockReasonResult CheckCaller(HWND window, DWORD* error) const;

  const FakeSystemInfo& system_;
  std::map<HWND, std::thread::id> creators_;  // each window's creating thread
};
