#include "tools/distcheck/base/text.h"

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string LastComponent(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

std::string JoinFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a + b;
  return a + "\\" + b;
}
