#include "tools/distcheck/driver_ver.h"

#include "env/code_page.h"
#include "package/driver_ver_line.h"

std::string ReadDriverVersion(const std::string& content) {
  static const CodePage kCodePage = CodePage::Ascii();
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    size_t next = end + 1;
    if (end == std::string::npos) {
      end = next = content.size();
    } else if (end > start && content[end - 1] == '\r') {
      --end;
    }
    std::string version;
    if (ParseDriverVerLine(content.substr(start, end - start), kCodePage, &version)) return version;
    start = next;
  }
  return std::string();
}
