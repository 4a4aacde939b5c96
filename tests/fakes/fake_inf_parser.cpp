#include "tests/fakes/fake_inf_parser.h"

#include <cstring>

#include "env/mbcs.h"

namespace {

// Whether the first Signature line of [Version] names a Windows-style INF.
bool IsWindowsStyle(const std::map<std::string, std::vector<FakeInfParser::Line>>& sections) {
  for (const auto& [name, lines] : sections) {
    if (!AsciiEqualNoCase(name, "Version")) continue;
    for (const FakeInfParser::Line& line : lines) {
      if (line.size() < 2 || !AsciiEqualNoCase(line[0], "Signature")) continue;
      for (const char* signature : {"$Windows NT$", "$Chicago$", "$Windows 95$"})
        if (AsciiEqualNoCase(line[1], signature)) return true;
      return false;
    }
  }
  return false;
}

class FakeInf : public InfFile {
 public:
  FakeInf(const std::map<std::string, std::vector<FakeInfParser::Line>>& sections, int* open)
      : m_sections(sections), m_open(open) {
    ++*m_open;
  }
  ~FakeInf() override { --*m_open; }
  bool FindFirstLine(const char* section) override {
    m_lines = nullptr;
    for (const auto& s : m_sections)
      if (AsciiLower(s.first) == AsciiLower(section)) m_lines = &s.second;
    m_line = 0;
    return m_lines && !m_lines->empty();
  }
  bool FindNextLine() override {
    if (!m_lines || m_line + 1 >= m_lines->size()) return false;
    ++m_line;
    return true;
  }
  bool GetStringField(DWORD index, char* buffer, DWORD size) override {
    if (!m_lines || m_line >= m_lines->size()) return false;
    const auto& fields = (*m_lines)[m_line];
    if (index >= fields.size()) return false;
    const std::string& f = fields[index];
    if (f.size() + 1 > size) return false;
    std::memcpy(buffer, f.c_str(), f.size() + 1);
    return true;
  }

 private:
  std::map<std::string, std::vector<FakeInfParser::Line>> m_sections;
  int* m_open;
  const std::vector<FakeInfParser::Line>* m_lines = nullptr;
  size_t m_line = 0;
};

}  // namespace

void FakeInfParser::AddFile(const std::string& path,
                            std::map<std::string, std::vector<Line>> sections) {
  m_files[AsciiLower(path)] = std::move(sections);
}

std::unique_ptr<InfFile> FakeInfParser::Open(const std::string& path) {
  opened.push_back(path);
  auto it = m_files.find(AsciiLower(path));
  if (it == m_files.end() || IsWindowsStyle(it->second)) return nullptr;
  return std::make_unique<FakeInf>(it->second, &openFiles);
}
