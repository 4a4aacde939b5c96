#include "tools/distcheck/inf/driver_ver.h"

#include <algorithm>
#include <cstring>

#include "env/code_page.h"
#include "env/readable_file.h"
#include "package/driver_ver_line.h"
#include "package/text_line_reader.h"
#include "tools/distcheck/base/text_codec.h"

namespace {

// Content already read, served as a file.
class MemoryFile : public ReadableFile {
 public:
  explicit MemoryFile(const std::string& content) : m_content(content) {}
  bool GetLength(uint64_t* length) override {
    *length = m_content.size();
    return true;
  }
  bool Read(void* buffer, DWORD size, DWORD* bytesRead) override {
    const size_t n = std::min<size_t>(size, m_content.size() - m_nPos);
    std::memcpy(buffer, m_content.data() + m_nPos, n);
    m_nPos += n;
    *bytesRead = static_cast<DWORD>(n);
    return true;
  }

 private:
  const std::string& m_content;
  size_t m_nPos = 0;
};

}  // namespace

InfDriverVersion ReadDriverVersion(const std::string& content) {
  static const CodePage kCodePage = CodePage::Ascii();
  CTextLineReader reader(std::make_unique<MemoryFile>(content));
  const DriverVersionText text = ReadDriverVersionText(reader, kCodePage);
  InfDriverVersion result;
  result.utf16 = text.utf16;
  result.version = text.utf16 ? Utf16ToCp1252(text.wideText) : text.text;
  result.beyondAscii =
      std::any_of(text.wideText.begin(), text.wideText.end(), [](char16_t c) { return c >= 0x80; });
  return result;
}
