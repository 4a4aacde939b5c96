// The rule that reads the driver version from one line of an INF file. Setup.exe
// applies it to the installed copies' INF files; the distribution checker to
// the package's zavcir.inf.
#pragma once

#include <string>

#include "env/code_page.h"

// The version of one line: the text after the first ',' that follows the first
// '=' after the first "DriverVer" (case-sensitive; a longer word matches too),
// with every space (0x20) left out and tabs kept. false when there is no
// "DriverVer", when a ';' stands before it, or when the '=' or the ',' is
// missing; *version is then not touched. An empty version still qualifies.
bool ParseDriverVerLine(const std::string& line, const CodePage& cp, std::string* version);
