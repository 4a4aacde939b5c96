#include "app/wait_bound.h"

#include <algorithm>

#include "app/run_guard.h"
#include "env/platform.h"
#include "env/support_log.h"
#include "env/synchronization.h"

CWaitBound::CWaitBound() : m_dwStart(GetPlatform().sync->GetTickCount()) {}

DWORD CWaitBound::Elapsed() const { return GetPlatform().sync->GetTickCount() - m_dwStart; }

DWORD CWaitBound::WaitInSlices(const std::function<DWORD(DWORD)>& waitOnce, const std::string& what,
                               DWORD since) const {
  DWORD result = WAIT_TIMEOUT;
  for (int slice = 0; result == WAIT_TIMEOUT; ++slice) {
    const DWORD elapsed = Elapsed();
    if (elapsed >= RUN_GUARD_WAIT_LIMIT_MS) return WAIT_TIMEOUT;
    if (slice > 0)
      LogLine("Still waiting for " + what + ": " + FormatSeconds(elapsed - since) + " so far");
    result = waitOnce(std::min(RUN_GUARD_WAIT_SLICE_MS, RUN_GUARD_WAIT_LIMIT_MS - elapsed));
  }
  return result;
}
