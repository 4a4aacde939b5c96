// Trace lines go to the debugger output, where a debugger or a debug-output
// viewer shows them.
#pragma once

#include "env/platform.h"

class Win32TraceSink : public TraceSink {
 public:
  // OutputDebugStringA of the line as it is.
  void Write(const char* line) override;
};
