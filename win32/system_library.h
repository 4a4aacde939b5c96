// Loading system libraries by their full path in the system directory, never
// through the search path, which may start with the executable's own folder.
#pragma once

#include <windows.h>

#include <string>

// "<system directory>\name", or "" when the directory cannot be read.
inline std::string SystemLibraryPath(const char* name) {
  char directory[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory, length) + "\\" + name;
}
