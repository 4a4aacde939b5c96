// The folders and files of a distribution named as Setup.ini and INF files
// name them (Windows path syntax, relative to a folder), found as Windows
// finds them.
#pragma once

#include <string>

// The last component of a path (after its last '\\' or '/').
std::string LastComponent(const std::string& path);

// Two parts of a Windows path joined by '\\'; an empty part is left out.
std::string JoinFolder(const std::string& a, const std::string& b);

// The folder a value names below base (a path in the host's form), resolved
// as Windows resolves base + "\" + value. false with *problem set (a clause:
// "names no existing folder") when it names none.
bool ResolvePackageFolder(const std::string& base, const std::string& value, std::string* path,
                          std::string* problem);

// The plain file at relative (folders and name joined by '\\' or '/') below
// the package folder, matched as Windows matches names; false when there is none.
bool FindPackageFile(const std::string& packageDir, const std::string& relative, std::string* path);
