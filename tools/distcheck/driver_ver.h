// The driver version of an INF file, by the rule Setup.exe applies to each
// line of zavcir.inf (in a single-byte code page).
#pragma once

#include <string>

// The version of one line: the text after the first ',' that follows the first
// '=' after the first "DriverVer" (case-sensitive; a longer word matches too),
// with every space (0x20) left out. false when there is no "DriverVer", when a
// ';' stands before it, or when the '=' or the ',' is missing; *version is then
// not touched. An empty version is a qualifying line.
bool ParseDriverVerLine(const std::string& line, std::string* version);

// The version of the first qualifying line of the file content, split into
// lines at LF with a CR before the LF dropped (as the product's line reader
// does); "" when no line qualifies.
std::string ReadDriverVersion(const std::string& content);
