// How a command result (the value RunCommand returns) is read: the started
// program's exit code, or the start error OR-ed with RUN_FAILED_BASE. Each mask
// is tested on its own.
#pragma once

#include "env/win_types.h"

constexpr DWORD RUN_FAILED_BASE = 0x90000000u;           // a start that failed
constexpr DWORD RESULT_FAILED = 0x80000000u;             // the program failed or did not start
constexpr DWORD RESULT_RESTART = 0x40000000u;            // a restart is needed
constexpr DWORD RESULT_FAILED_COUNT_MASK = 0x00FF0000u;  // packages that failed to install
constexpr DWORD RESULT_STAGED_MASK = 0x0000FF00u;        // packages only copied to the store
constexpr DWORD RESULT_INSTALLED_MASK = 0x000000FFu;     // packages installed on a device

// The driver packages that an installer result counts: installed on a device,
// only staged, and failed.
int CountedPackages(DWORD result);

// Whether a result without the failure bit is no installer result at all but a
// bare Windows error code: its counts add up to more driver packages than the
// installer was given (packageCount, the INF files of the package folder; 0
// for an uninstall command, which counts nothing). The installer returns such
// a code where it fails before it handles a package (1627,
// ERROR_FUNCTION_FAILED, reads as 91 installed and 6 staged). A result with the
// failure bit is a failure anyway and never a bare code.
bool IsBareErrorCode(DWORD result, int packageCount);

// Whether an uninstall command's result is a success: no failure bit, and no
// bare error code (the installer's uninstall answers 0, the restart bit or the
// failure bit, and counts nothing). The support log names a bare code with the
// system's text for it.
bool IsUninstallSuccess(DWORD result);
