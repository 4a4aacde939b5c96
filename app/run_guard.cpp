#include "app/run_guard.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "env/support_log.h"

namespace {

// Milliseconds as seconds with three decimals: "75.012 s".
std::string Seconds(DWORD milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%03u s", static_cast<unsigned>(milliseconds / 1000),
                static_cast<unsigned>(milliseconds % 1000));
  return text;
}

// The start of a line that names the guard.
std::string RunGuardNamed() { return std::string("Run guard ") + RUN_GUARD_NAME; }

}  // namespace

CRunGuard::~CRunGuard() {
  if (!m_bHeld) return;
  // Written first: once released, the next run may write that it took it.
  LogLine("Giving up the run guard");
  if (!m_mutex->Release())
    LogLine("Giving up the run guard failed; it is freed when this run ends");
}

BOOL CRunGuard::Take() {
  Synchronization* sync = GetPlatform().sync;
  DWORD error = 0;
  m_mutex = sync->CreateNamedMutex(RUN_GUARD_NAME, &error);
  // Made by a run under another account (a deployment service, another
  // administrator), whose security lets others wait and release but not more.
  if (!m_mutex && error == ERROR_ACCESS_DENIED)
    m_mutex = sync->OpenNamedMutex(RUN_GUARD_NAME, &error);
  if (!m_mutex) {
    LogLine(RunGuardNamed() + " cannot be opened, error " + std::to_string(error) +
            ": ending with nothing done");
    return FALSE;
  }

  // Elapsed times are differences of the tick count, right across its wrap.
  const DWORD start = sync->GetTickCount();
  DWORD result = m_mutex->Wait(0, &error);
  const bool waited = result == WAIT_TIMEOUT;
  if (waited)
    LogLine(RunGuardNamed() + " is held by another run of Setup: waiting for it, at most " +
            std::to_string(RUN_GUARD_WAIT_LIMIT_MS / 60000) + " minutes");
  for (int slice = 0; result == WAIT_TIMEOUT; ++slice) {
    const DWORD elapsed = sync->GetTickCount() - start;
    if (elapsed >= RUN_GUARD_WAIT_LIMIT_MS) {
      LogLine("Run guard still held by the other run after " + Seconds(elapsed) +
              ": ending with nothing done; run Setup again later");
      return FALSE;
    }
    if (slice > 0) LogLine("Still waiting for the run guard: " + Seconds(elapsed) + " so far");
    result =
        m_mutex->Wait(std::min(RUN_GUARD_WAIT_SLICE_MS, RUN_GUARD_WAIT_LIMIT_MS - elapsed), &error);
  }

  const std::string when =
      waited ? "after waiting " + Seconds(sync->GetTickCount() - start) : std::string("at once");
  switch (result) {
    case WAIT_OBJECT_0:
      m_bHeld = true;
      LogLine(RunGuardNamed() + " taken " + when);
      return TRUE;
    case WAIT_ABANDONED:
      // Owned now all the same; the job starts from its own first scan, so it
      // sees whatever the ended run left.
      m_bHeld = true;
      LogLine(RunGuardNamed() + " taken over " + when +
              ": the run that held it ended without giving it up");
      return TRUE;
    default:
      LogLine("Waiting for the run guard failed, error " + std::to_string(error) +
              ": ending with nothing done");
      return FALSE;
  }
}
