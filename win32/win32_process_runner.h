// Starts a program with CreateProcessA; the started program's wait and exit
// code through its process handle.
#pragma once

#include "env/platform.h"

class Win32ProcessRunner : public ProcessRunner {
 public:
  std::unique_ptr<StartedProcess> Start(std::string commandLine, DWORD* error) override;
};
