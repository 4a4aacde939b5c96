#include "tools/distcheck/driver_ver.h"

#include "env/code_page.h"
#include "env/mbcs.h"

bool ParseDriverVerLine(const std::string& line, std::string* version) {
  static const CodePage cp = CodePage::Ascii();
  const size_t key = MbFind(line, "DriverVer", cp);
  if (key == std::string::npos) return false;
  const size_t semicolon = MbFind(line, ";", cp);
  if (semicolon != std::string::npos && semicolon < key) return false;
  const size_t equals = MbFind(line.substr(key), "=", cp);
  if (equals == std::string::npos) return false;
  const size_t comma = MbFind(line.substr(key + equals), ",", cp);
  if (comma == std::string::npos) return false;
  std::string result;
  for (size_t i = key + equals + comma + 1; i < line.size(); ++i) {
    if (line[i] != ' ') result += line[i];
  }
  *version = std::move(result);
  return true;
}

std::string ReadDriverVersion(const std::string& content) {
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
    if (ParseDriverVerLine(content.substr(start, end - start), &version)) return version;
    start = next;
  }
  return std::string();
}
