// Reads INF-syntax files with SetupAPI. The library is loaded at run time from
// the system directory by its full path, never found through the search path,
// so that a setupapi.dll planted beside the executable is never loaded.
#pragma once

#include "env/inf_parser.h"

class Win32InfParser : public InfParser {
 public:
  // style: SetupOpenInfFileA's InfStyle. Setup.ini has no [Version] signature and
  // is a legacy-style file (INF_STYLE_OLDNT, 1); a driver package's INF is a
  // Windows-style one (INF_STYLE_WIN4, 2), which the other style does not open.
  explicit Win32InfParser(DWORD style = 1) : m_style(style) {}
  // nullptr when SetupAPI cannot be loaded or the file cannot be opened or parsed.
  std::unique_ptr<InfFile> Open(const std::string& path) override;

 private:
  DWORD m_style;
};
