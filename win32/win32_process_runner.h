// Starts a program with CreateProcessA and waits for it to end.
#pragma once

#include "env/platform.h"

class Win32ProcessRunner : public ProcessRunner {
 public:
  // The program's exit code (0 when it cannot be read), or GetLastError() OR-ed
  // with RUN_FAILED_BASE when it cannot be started. Both handles are closed
  // before returning; the program is waited for without a time limit.
  DWORD RunCommand(std::string commandLine) override;
};
