// The framework's command-line walk: every argument after the program name is
// handed to ParseParam, flags ('/' or '-' first) without that character.
#pragma once

#include <string>
#include <vector>

#include "env/win_types.h"

class CCommandLineInfo {
 public:
  virtual ~CCommandLineInfo() = default;
  // The default handling of one argument: the first plain argument is recorded
  // as the file name; flags are ignored.
  virtual void ParseParam(const char* param, BOOL bFlag, BOOL bLast);

  std::string m_strFileName;
};

// Walks the arguments (without the program name) in order, as the run-time
// library has split the command line.
void ParseCommandLine(CCommandLineInfo& info, const std::vector<std::string>& args);
