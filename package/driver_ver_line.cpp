#include "package/driver_ver_line.h"

#include "env/mbcs.h"
#include "package/text_line_reader.h"

namespace {

// The line rule for text of any unit; find(text, needle) is the position of
// the first needle in text on a character boundary, or npos.
template <typename Text, typename Find>
bool ParseLine(const Text& line, const Find& find, Text* version) {
  using Unit = typename Text::value_type;
  const auto ascii = [](const char* text) {
    Text out;
    for (; *text; ++text) out += static_cast<Unit>(*text);
    return out;
  };
  const size_t key = find(line, ascii("DriverVer"));
  if (key == Text::npos) return false;
  const size_t semicolon = find(line, ascii(";"));
  if (semicolon != Text::npos && semicolon < key) return false;
  const size_t equals = find(line.substr(key), ascii("="));
  if (equals == Text::npos) return false;
  const size_t comma = find(line.substr(key + equals), ascii(","));
  if (comma == Text::npos) return false;
  Text result;
  for (size_t i = key + equals + comma + 1; i < line.size(); ++i)
    if (line[i] != Unit(' ')) result += line[i];
  *version = std::move(result);
  return true;
}

}  // namespace

bool ParseDriverVerLine(const std::string& line, const CodePage& cp, std::string* version) {
  return ParseLine(
      line,
      [&cp](const std::string& text, const std::string& needle) {
        return MbFind(text, needle, cp);
      },
      version);
}

bool ParseDriverVerLine(const std::u16string& line, std::u16string* version) {
  // Every UTF-16 unit is a boundary for an ASCII needle: surrogates never match it.
  return ParseLine(
      line,
      [](const std::u16string& text, const std::u16string& needle) { return text.find(needle); },
      version);
}

DriverVersionText ReadDriverVersionText(CTextLineReader& reader, const CodePage& cp) {
  DriverVersionText result;
  result.utf16 = reader.SkipUtf16Mark();
  if (result.utf16) {
    std::u16string line;
    while (!result.found && reader.ReadLine(line))
      result.found = ParseDriverVerLine(line, &result.wideText);
  } else {
    std::string line;
    while (!result.found && reader.ReadLine(line))
      result.found = ParseDriverVerLine(line, cp, &result.text);
  }
  return result;
}

bool ParseVersionNumbers(const std::string& text, VersionNumbers* numbers) {
  constexpr unsigned kMaxPart = 65535;
  constexpr size_t kMaxDigits = 5;
  VersionNumbers parsed = {};
  size_t part = 0, digits = 0;
  for (const char c : text) {
    if (c == '.') {
      if (digits == 0 || ++part == parsed.size()) return false;
      digits = 0;
      continue;
    }
    if (c < '0' || c > '9' || ++digits > kMaxDigits) return false;
    parsed[part] = parsed[part] * 10 + static_cast<unsigned>(c - '0');
    if (parsed[part] > kMaxPart) return false;
  }
  if (digits == 0) return false;
  *numbers = parsed;
  return true;
}
