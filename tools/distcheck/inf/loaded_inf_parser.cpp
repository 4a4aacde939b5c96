#include "tools/distcheck/inf/loaded_inf_parser.h"

#include <cstring>

namespace {

// One open file with its line context, as SetupFindFirstLineA and friends use it.
class LoadedInfFile : public InfFile {
 public:
  explicit LoadedInfFile(std::shared_ptr<const InfDocument> document)
      : m_document(std::move(document)) {}

  bool FindFirstLine(const char* section) override {
    const int index = m_document->FindSection(section);
    if (m_document->GetLineCount(index) == 0) return false;
    m_nSection = index;
    m_nLine = 0;
    return true;
  }

  bool FindNextLine() override {
    if (m_nSection < 0 || m_nLine + 1 >= m_document->GetLineCount(m_nSection)) return false;
    ++m_nLine;
    return true;
  }

  bool GetStringField(DWORD index, char* buffer, DWORD size) override {
    std::string text;
    if (m_nSection < 0 || buffer == nullptr ||
        !m_document->GetStringField(m_nSection, m_nLine, index, size, &text)) {
      return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
  }

 private:
  std::shared_ptr<const InfDocument> m_document;
  int m_nSection = -1;
  size_t m_nLine = 0;
};

}  // namespace

LoadedInfParser::LoadedInfParser(const std::string& content)
    : m_document(InfDocument::Parse(content)) {}

std::unique_ptr<InfFile> LoadedInfParser::Open(const std::string& /*path*/) {
  if (!m_document) return nullptr;
  return std::unique_ptr<InfFile>(new LoadedInfFile(m_document));
}
