// What the package folder holds, as the driver package installer sees it.
#pragma once

#include <string>

// The driver packages the installer finds in folder: its files that match
// "*.inf" in a directory search, as the installer searches its own folder (on
// Windows the pattern also matches a longer extension, such as "a.inf_old",
// by its short name: more, never fewer, than the installer can count).
int CountInfFiles(const std::string& folder);
