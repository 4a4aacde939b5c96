#include "tests/fakes/fake_file_system.h"

#include <algorithm>
#include <cstring>

#include "env/mbcs.h"

namespace {

// '*' matches any run of characters; everything else matches itself, without
// regard to ASCII case.
bool WildcardMatch(const std::string& pattern, const std::string& name) {
  const std::string p = AsciiLower(pattern), n = AsciiLower(name);
  size_t star = p.find('*');
  if (star == std::string::npos) return p == n;
  const std::string head = p.substr(0, star), tail = p.substr(star + 1);
  return n.size() >= head.size() + tail.size() && n.compare(0, head.size(), head) == 0 &&
         n.compare(n.size() - tail.size(), tail.size(), tail) == 0;
}

class FakeFile : public ReadableFile {
 public:
  FakeFile(std::string contents, bool shortRead)
      : m_contents(std::move(contents)), m_shortRead(shortRead) {}
  bool GetLength(uint64_t* length) override {
    *length = m_contents.size();
    return true;
  }
  bool Read(void* buffer, DWORD size, DWORD* bytesRead) override {
    size_t left = m_contents.size() - m_pos;
    size_t n = std::min<size_t>(size, left);
    if (m_shortRead && n > 0) n -= 1;
    if (n) std::memcpy(buffer, m_contents.data() + m_pos, n);
    m_pos += n;
    *bytesRead = static_cast<DWORD>(n);
    return true;
  }

 private:
  std::string m_contents;
  bool m_shortRead;
  size_t m_pos = 0;
};

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) { return AsciiLower(path); }

void FakeFileSystem::AddDirectory(const std::string& path, DWORD extraAttributes) {
  m_nodes[Key(path)] = Node{path, true, FILE_ATTRIBUTE_DIRECTORY | extraAttributes, ""};
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& contents,
                             DWORD extraAttributes) {
  m_nodes[Key(path)] = Node{path, false, FILE_ATTRIBUTE_ARCHIVE | extraAttributes, contents};
}

void FakeFileSystem::Remove(const std::string& path) { m_nodes.erase(Key(path)); }

bool FakeFileSystem::GetAttributes(const std::string& path, DWORD* attributes) {
  auto it = m_nodes.find(Key(path));
  if (it == m_nodes.end()) return false;
  *attributes = it->second.attributes;
  return true;
}

std::unique_ptr<ReadableFile> FakeFileSystem::OpenForRead(const std::string& path) {
  const std::string key = Key(path);
  auto it = m_nodes.find(key);
  if (it == m_nodes.end() || it->second.directory) return nullptr;
  if (std::count(m_unreadable.begin(), m_unreadable.end(), key)) return nullptr;
  bool shortRead = std::count(m_shortRead.begin(), m_shortRead.end(), key) != 0;
  return std::make_unique<FakeFile>(it->second.contents, shortRead);
}

std::vector<FoundFile> FakeFileSystem::FindFiles(const std::string& pattern) {
  std::vector<FoundFile> found;
  size_t slash = pattern.rfind('\\');
  if (slash == std::string::npos) return found;
  const std::string dir = Key(pattern.substr(0, slash));
  const std::string mask = pattern.substr(slash + 1);
  for (const auto& [key, node] : m_nodes) {
    size_t s = key.rfind('\\');
    if (s == std::string::npos || key.substr(0, s) != dir) continue;
    std::string name = node.path.substr(node.path.rfind('\\') + 1);
    if (WildcardMatch(mask, name)) found.push_back(FoundFile{name, node.attributes});
  }
  return found;
}

UINT FakeFileSystem::QueryDriveType(const std::string& root) {
  const auto it = driveTypes.find(Key(root));
  return root.empty() || root.back() != '\\' || it == driveTypes.end() ? DRIVE_NO_ROOT_DIR
                                                                       : it->second;
}
