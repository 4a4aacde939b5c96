// Starts a program with CreateProcessA; the started program's wait, exit code
// and identity through its process handle; command markers as named file
// mappings; other runs' processes opened by id.
#pragma once

#include "env/process_runner.h"

class Win32ProcessRunner : public ProcessRunner {
 public:
  std::unique_ptr<StartedProcess> Start(std::string commandLine, CommandMarker* marker,
                                        DWORD* error) override;
  std::unique_ptr<CommandMarker> CreateMarker(const std::string& name, DWORD size, bool* existed,
                                              DWORD* error) override;
  std::unique_ptr<CommandMarker> OpenMarker(const std::string& name, DWORD* error) override;
  std::unique_ptr<OpenedProcess> OpenProcess(DWORD processId, DWORD* error) override;
};
