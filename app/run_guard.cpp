#include "app/run_guard.h"

#include <string>

#include "app/earlier_command.h"
#include "app/wait_bound.h"
#include "env/platform.h"
#include "env/support_log.h"
#include "env/synchronization.h"

namespace {

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

  const CWaitBound bound;
  DWORD result = m_mutex->Wait(0, &error);
  const bool waited = result == WAIT_TIMEOUT;
  if (waited) {
    LogLine(RunGuardNamed() + " is held by another run of Setup: waiting for it, at most " +
            std::to_string(RUN_GUARD_WAIT_LIMIT_MS / 60000) + " minutes");
    result = bound.WaitInSlices(
        [this, &error](DWORD milliseconds) { return m_mutex->Wait(milliseconds, &error); },
        "the run guard", 0);
  }

  const std::string when =
      waited ? "after waiting " + FormatSeconds(bound.Elapsed()) : std::string("at once");
  switch (result) {
    case WAIT_OBJECT_0:
      m_bHeld = true;
      LogLine(RunGuardNamed() + " taken " + when);
      break;
    case WAIT_ABANDONED:
      // Owned now all the same; the job starts from its own first scan, so it
      // sees whatever the ended run left.
      m_bHeld = true;
      LogLine(RunGuardNamed() + " taken over " + when +
              ": the run that held it ended without giving it up");
      break;
    case WAIT_TIMEOUT:
      LogLine("Run guard still held by the other run after " + FormatSeconds(bound.Elapsed()) +
              ": ending with nothing done; run Setup again later");
      return FALSE;
    default:
      LogLine("Waiting for the run guard failed, error " + std::to_string(error) +
              ": ending with nothing done");
      return FALSE;
  }
  // A command that a run before this one started may outlive that run (ended
  // from outside, crashed): its end is waited for within the same bound.
  return WaitForEarlierCommand(bound);
}
