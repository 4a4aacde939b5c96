// Text helpers of the checker's messages and of the Windows path names that
// Setup.ini and INF files hold.
#pragma once

#include <string>

// text between single quotes, as messages quote names and values: 'text'.
std::string Quoted(const std::string& text);

// The last component of a path (after its last '\\' or '/'); the whole path
// when it has no separator, "" when it ends in one.
std::string LastComponent(const std::string& path);

// The path without the separators ('\\' or '/') it ends in; a path of one
// character is kept as it is ("/" stays "/").
std::string WithoutTrailingSeparators(std::string path);

// Two parts of a Windows path joined by '\\'; an empty part is left out.
std::string JoinFolder(const std::string& a, const std::string& b);
