#include "tools/distcheck/files/package_files.h"

#include "tools/distcheck/files/host_files.h"

namespace {

// Whether text holds "%<digits>%": SetupAPI replaces such a text with the path of
// a system folder (%11% is the system directory); the checker's reader leaves it.
bool HasFolderId(const std::string& text) {
  size_t open = text.find('%');
  while (open != std::string::npos) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return false;
    const std::string inner = text.substr(open + 1, close - open - 1);
    if (!inner.empty() && inner.find_first_not_of("0123456789") == std::string::npos) return true;
    open = text.find('%', close + 1);
  }
  return false;
}

}  // namespace

bool ResolvePackageFolder(const std::string& base, const std::string& value, std::string* path,
                          std::string* problem) {
  if (HasFolderId(value)) {
    *problem =
        "holds a system folder id (%number%), which SetupAPI replaces with a folder of the "
        "target machine; that can never lie in the distribution folder";
    return false;
  }
  if (value.find(':') != std::string::npos) {
    *problem = "is not a path relative to Setup.exe's folder";
    return false;
  }
  std::string current = base;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find_first_of("\\/", start);
    if (end == std::string::npos) end = value.size();
    std::string part = value.substr(start, end - start);
    start = end + 1;
    if (part.find_first_not_of('.') != std::string::npos) {
      // Windows drops trailing dots and blanks of a name.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    }
    if (part.empty() || part == ".") continue;
    for (char c : part) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x20 || std::string("<>|*?\"").find(c) != std::string::npos) {
        *problem = "contains a character that Windows does not allow in names";
        return false;
      }
    }
    std::string next;
    if (part == "..") {
      next = JoinPath(current, "..");
    } else if (!FindEntry(current, part, &next)) {
      *problem = "names no existing folder";
      return false;
    }
    current = next;
  }
  if (!IsDirectoryPath(current)) {
    *problem = "names a file, not a folder";
    return false;
  }
  *path = current;
  return true;
}

bool FindPackageFile(const std::string& packageDir, const std::string& relative,
                     std::string* path) {
  const size_t cut = relative.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? "" : relative.substr(0, cut);
  const std::string name = cut == std::string::npos ? relative : relative.substr(cut + 1);
  std::string folderPath, problem;
  return ResolvePackageFolder(packageDir, folder, &folderPath, &problem) &&
         FindEntry(folderPath, name, path) && IsPlainFile(*path);
}
