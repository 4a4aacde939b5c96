// The one bound of the waits before a run's job: the wait for the run guard
// and the wait for a command that an earlier run started share
// RUN_GUARD_WAIT_LIMIT_MS, counted from the start of the first.
#pragma once

#include <functional>
#include <string>

#include "env/win_types.h"

class CWaitBound {
 public:
  // Starts the bound now, on the tick count.
  CWaitBound();

  // Milliseconds since the start, right across the tick count's wrap.
  DWORD Elapsed() const;

  // Calls waitOnce with slices of at most RUN_GUARD_WAIT_SLICE_MS, none past
  // the bound, until it answers anything but WAIT_TIMEOUT, and returns that
  // answer; WAIT_TIMEOUT once the bound has passed (also before any slice).
  // Before every slice but the first it logs "Still waiting for <what>: <time
  // since since> so far"; since is an Elapsed() value.
  DWORD WaitInSlices(const std::function<DWORD(DWORD)>& waitOnce, const std::string& what,
                     DWORD since) const;

 private:
  DWORD m_dwStart;
};
