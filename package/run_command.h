// The command runner: every program the setup program starts goes through it.
#pragma once

#include <string>

#include "env/win_types.h"
#include "package/command_result.h"

// Starts the command line as it is (nothing added, nothing quoted), waits
// until the program has ended and returns its exit code, or the start error
// OR-ed with RUN_FAILED_BASE. The caller's string is never changed.
DWORD RunCommand(std::string commandLine);
