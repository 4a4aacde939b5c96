// The bits of the process exit code. Values are stable: the list only grows.
#pragma once

#include <string>

enum ExitCodeBits : int {
  SETUP_SUCCESS = 0,          // no bit set: the run did what it was asked
  EXIT_RESTART_NEEDED = 0x1,  // a restart of Windows is needed to finish the removal
  EXIT_REMOVE_FAILED = 0x2,   // at least one removal failed
  EXIT_SETUP_FAILED = 0x4,    // start-up failed, the machine stayed busy, or the installer failed,
                              // did not start or did not install as it reported
};

// The exit code in hex with its bits in words, e.g.
// "0x00000003 (restart needed, removal failed)"; 0 reads "(success)".
std::string DescribeExitCode(int exitCode);
