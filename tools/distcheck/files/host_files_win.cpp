#include <windows.h>

#include "tools/distcheck/files/host_files.h"

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '\\' || dir.back() == '/') return dir + name;
  return dir + "\\" + name;
}

// The file system matches names without regard to case itself.
bool FindEntry(const std::string& dir, const std::string& name, std::string* path) {
  if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos) return false;
  const std::string joined = JoinPath(dir, name);
  if (::GetFileAttributesA(joined.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  *path = joined;
  return true;
}

bool IsDirectoryPath(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsPlainFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}
