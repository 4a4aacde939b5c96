// The command runner: every program the setup program starts goes through it.
#pragma once

#include <string>

#include "env/win_types.h"
#include "package/command_result.h"

// The error OR-ed with RUN_FAILED_BASE for a program whose exit code reads
// STILL_ACTIVE: ERROR_BUSY.
constexpr DWORD RUN_STILL_ACTIVE_ERROR = ERROR_BUSY;

// Starts the command line as it is (nothing added, nothing quoted), marked for
// later runs while it works (package/command_marker.h), waits until the
// program has ended and returns its exit code. A failed run is RUN_FAILED_BASE
// OR-ed with the error: of the marker (the command does not start without
// one), of the start, of the wait, of the exit-code query, or
// RUN_STILL_ACTIVE_ERROR when the exit code is STILL_ACTIVE (259), which no
// caller may read as counts. The caller's string is never changed.
DWORD RunCommand(std::string commandLine);
