// A command that an earlier run of Setup started and that outlived that run
// (the run ended from Task Manager or by a deployment tool's time limit, or
// crashed): found by its command marker (package/command_marker.h), and waited
// for before this run starts one of its own, so that two never overlap.
#pragma once

#include "app/wait_bound.h"
#include "env/win_types.h"

// How often a marker whose program cannot be watched (another account's
// process, or a record without one) is looked for again.
constexpr DWORD EARLIER_COMMAND_POLL_MS = 1000;

// Waits, within the bound, until no command that an earlier run started
// still works: for its process when the marker's record names one that can be
// opened and is still the same process (same creation time: ids are reused),
// else until no object has the marker's name. A record whose process has ended
// or is another program now is not waited for, nor is an installer that Setup
// did not start. TRUE at once when no marker exists, and once the command has
// ended; FALSE when the bound passes, the wait fails or the name belongs to
// another program. Only a marker found writes to the support log: what is
// waited for, and for how long.
BOOL WaitForEarlierCommand(const CWaitBound& bound);
