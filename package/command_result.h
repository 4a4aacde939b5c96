// How a command result (the value RunCommand returns) is read: the started
// program's exit code, or the start error OR-ed with RUN_FAILED_BASE. Each mask
// is tested on its own.
#pragma once

#include "env/win_types.h"

constexpr DWORD RUN_FAILED_BASE = 0x90000000u;        // a start that failed
constexpr DWORD RESULT_FAILED = 0x80000000u;          // the program failed or did not start
constexpr DWORD RESULT_RESTART = 0x40000000u;         // a restart is needed
constexpr DWORD RESULT_STAGED_MASK = 0x0000FF00u;     // packages only copied to the store
constexpr DWORD RESULT_INSTALLED_MASK = 0x000000FFu;  // packages installed on a device
