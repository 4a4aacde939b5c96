// The driver version of an INF file's content, by the rule Setup.exe applies
// to each line (package/driver_ver_line.h), in a single-byte code page.
#pragma once

#include <string>

// The version of the first qualifying line of the file content, split into
// lines at LF with a CR before the LF dropped (as the product's line reader
// does); "" when no line qualifies.
std::string ReadDriverVersion(const std::string& content);
