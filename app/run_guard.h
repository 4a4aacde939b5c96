// The machine-wide run guard: one run of Setup at a time on a machine, across
// every session, service and user. It is a mutex in the global namespace that
// the worker takes before the job and gives up when the job has returned.
#pragma once

#include <memory>

#include "env/named_mutex.h"
#include "env/win_types.h"

// The guard's name, after the product.
constexpr char RUN_GUARD_NAME[] = "Global\\ZavCirReceiverDriverSetup";
// How long a run waits at most for the run that holds the guard: room for a
// few slow installer runs queued ahead of it, and well inside the time limits
// that deployment tools give a run, so that a run behind a stuck one ends by
// itself with a code that says "try again later".
constexpr DWORD RUN_GUARD_WAIT_LIMIT_MS = 30 * 60 * 1000;
// A waiting run waits in slices of this length and logs a line after each.
constexpr DWORD RUN_GUARD_WAIT_SLICE_MS = 60 * 1000;

class CRunGuard {
 public:
  CRunGuard() = default;
  // Gives the guard up if this run holds it (on the thread that took it), and
  // closes it.
  ~CRunGuard();
  CRunGuard(const CRunGuard&) = delete;
  CRunGuard& operator=(const CRunGuard&) = delete;

  // Takes the guard for the calling thread: at once when it is free or was
  // abandoned by a run that ended while holding it, else after waiting for it;
  // then waits until no command that an earlier run started still works
  // (app/earlier_command.h). Both waits together take at most
  // RUN_GUARD_WAIT_LIMIT_MS. TRUE when this run holds the guard and no such
  // command works; FALSE when the guard cannot be opened, a wait fails or the
  // limit passes (the guard, if taken, is given up on destruction). Each
  // outcome is written to the support log.
  BOOL Take();

 private:
  std::unique_ptr<NamedMutex> m_mutex;
  bool m_bHeld = false;
};
