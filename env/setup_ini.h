// Setup.ini, beside the executable: its [Dir] section maps the edition tag of
// each supported system to the name of the package subdirectory.
#pragma once

#include <string>

#include "env/code_page.h"
#include "env/win_types.h"

class InfParser;

// The [Dir] key for an OS kind and WOW64 flag ("WinXP32" .. "Win7_64"); "" for
// an unsupported OS kind.
std::string GetEditionTag(int osKind, BOOL wow64);

enum SetupIniResult {
  SETUP_INI_FOUND,        // a line with the tag gave a non-empty value
  SETUP_INI_OPEN_FAILED,  // Setup.ini is missing or cannot be parsed
  SETUP_INI_NO_LINE,      // no line with the tag gave a readable value, or it was empty
};

// Reads moduleDir + "\Setup.ini" through parser and returns the first
// readable value of a [Dir] line whose key equals tag without regard to case in
// the code page cp. *value is set only with SETUP_INI_FOUND. The file is closed
// again on every path.
SetupIniResult ReadPackageSubdirectory(InfParser& parser, const CodePage& cp,
                                       const std::string& moduleDir, const std::string& tag,
                                       std::string* value);
