// Reads INF-syntax files with SetupAPI. The library is loaded at run time from
// the system directory by its full path, never found through the search path,
// so that a setupapi.dll planted beside the executable is never loaded.
#pragma once

#include "env/platform.h"

class Win32InfParser : public InfParser {
 public:
  // nullptr when SetupAPI cannot be loaded or the file cannot be opened or parsed.
  std::unique_ptr<InfFile> Open(const std::string& path) override;
};
