// The checker's access to the files of a distribution folder, with names as
// Windows resolves them. Paths are in the host's own form; names handed in are
// in the ANSI code page of Setup.ini (1252).
#pragma once

#include <cstddef>
#include <string>

// dir joined with name by the host's separator.
std::string JoinPath(const std::string& dir, const std::string& name);

// The path of the entry called name in dir, matched as Windows matches names
// (on POSIX: the exact name first, else the first entry, in name order, that
// equals it without regard to ASCII case). false when there is none.
bool FindEntry(const std::string& dir, const std::string& name, std::string* path);

// Whether path is an existing directory.
bool IsDirectoryPath(const std::string& path);

// Whether path is an existing plain file (not a directory, device or pipe).
bool IsPlainFile(const std::string& path);

// Reads the whole plain file; false when it is none, cannot be opened or read,
// or is larger than maxSize bytes. *content is set only on success.
bool ReadWholeFile(const std::string& path, size_t maxSize, std::string* content);
