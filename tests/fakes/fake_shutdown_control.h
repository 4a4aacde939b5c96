// Log-off and shutdown as Windows documents them for the version that a
// FakeSystemInfo reports: XP lacks the block-reason functions and lets a
// refusal hold; Vista and later terminate a refusing process whose windows
// are hidden when asked unless one of them has a block reason, which only the
// window's own thread may set or take away.
#pragma once

#include <map>
#include <string>
#include <thread>

#include "env/shutdown_control.h"

class FakeSystemInfo;

class FakeShutdownControl : public ShutdownControl {
 public:
  explicit FakeShutdownControl(const FakeSystemInfo& system) : m_system(system) {}

  // A new top-level window of the calling thread, hidden (as the main window
  // is until its WM_QUERYENDSESSION handler shows it).
  HWND CreateWindow();

  enum class Outcome { kEnds, kRefused, kTerminated };
  // What becomes of the process when Windows asks window, hidden, and it
  // answers answer: the session ends, waits (Vista on: the user decides), or
  // the process is terminated in the middle of whatever it does.
  Outcome QueryEndSession(HWND window, BOOL answer) const;

  DWORD level = 0x280;                     // where every process starts
  std::map<HWND, std::u16string> reasons;  // the block reason of each window that has one

  bool SetShutdownLevel(DWORD newLevel, DWORD* error) override;
  BlockReasonResult CreateBlockReason(HWND window, const std::u16string& reason,
                                      DWORD* error) override;
  BlockReasonResult DestroyBlockReason(HWND window, DWORD* error) override;

 private:
  bool HasBlockReasons() const;  // Vista and later
  // UNAVAILABLE before Vista; FAILED with ERROR_ACCESS_DENIED on a thread
  // other than window's; else DONE.
  BlockReasonResult Check(HWND window, DWORD* error) const;

  const FakeSystemInfo& m_system;
  std::map<HWND, std::thread::id> m_creators;
};
