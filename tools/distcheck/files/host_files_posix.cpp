#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "env/mbcs.h"
#include "tools/distcheck/base/text_codec.h"
#include "tools/distcheck/files/host_files.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool FindEntry(const std::string& dir, const std::string& name, std::string* path) {
  const std::string wanted = Cp1252ToUtf8(name);
  if (wanted.empty() || wanted.find('/') != std::string::npos) return false;
  if (Exists(JoinPath(dir, wanted))) {
    *path = JoinPath(dir, wanted);
    return true;
  }
  DIR* listing = ::opendir(dir.empty() ? "." : dir.c_str());
  if (listing == nullptr) return false;
  std::vector<std::string> matches;
  while (const dirent* entry = ::readdir(listing)) {
    if (AsciiEqualNoCase(entry->d_name, wanted)) matches.push_back(entry->d_name);
  }
  ::closedir(listing);
  if (matches.empty()) return false;
  *path = JoinPath(dir, *std::min_element(matches.begin(), matches.end()));
  return true;
}

bool IsDirectoryPath(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
