// The folders and files of a distribution named as Setup.ini and INF files
// name them (Windows path syntax, relative to a folder), found as Windows
// finds them.
#pragma once

#include <string>

// The folder a value names below base (a path in the host's form), resolved
// as Windows resolves base + "\" + value. false with *problem set (a clause:
// "names no existing folder") when it names none.
bool ResolvePackageFolder(const std::string& base, const std::string& value, std::string* path,
                          std::string* problem);

// The plain file at relative (folders and name joined by '\\' or '/') below
// the package folder, matched as Windows matches names; false when there is none.
bool FindPackageFile(const std::string& packageDir, const std::string& relative, std::string* path);
