// The bits of the process exit code. Values are stable: the list only grows.
#pragma once

enum ExitCodeBits : int {
  EXIT_RESTART_NEEDED = 0x1,  // a restart of Windows is needed to finish the removal
  EXIT_REMOVE_FAILED = 0x2,   // at least one removal failed
  EXIT_SETUP_FAILED = 0x4,    // start-up failed, or the installer failed or did not start
};
