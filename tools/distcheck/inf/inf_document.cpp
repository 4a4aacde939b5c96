#include "tools/distcheck/inf/inf_document.h"

#include <cstdint>

#include "env/mbcs.h"
#include "tools/distcheck/base/text_codec.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\xA0';
}

uint8_t Byte(const std::string& bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// Whether the file is UTF-16LE text (see the header for the rule).
bool IsUtf16(const std::string& bytes) {
  if (bytes.size() % 2 != 0 || bytes.size() < 2) return false;
  if (Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) return true;
  return bytes.size() >= 4 && Byte(bytes, 0) != 0 && Byte(bytes, 1) == 0 && Byte(bytes, 2) != 0 &&
         Byte(bytes, 3) == 0;
}

// The file's text in code page 1252, up to a Ctrl-Z, with NUL read as a space.
std::string DecodeText(const std::string& bytes) {
  std::string text;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = Utf16ToCp1252(Utf8ToUtf16(bytes.substr(3)));
  } else if (IsUtf16(bytes)) {
    std::u16string units;
    const size_t start = Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE ? 2 : 0;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(Byte(bytes, i) | (Byte(bytes, i + 1) << 8));
    }
    text = Utf16ToCp1252(units);
  } else {
    text = bytes;
  }
  text = text.substr(0, text.find('\x1A'));
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return text;
}

// One physical line without its comment. *continued tells whether it ends in
// a backslash outside quotes, which is then dropped with the blanks around it.
std::string WithoutComment(const std::string& line, bool* continued) {
  bool quoted = false;
  size_t end = 0;
  for (; end < line.size(); ++end) {
    if (line[end] == '"') quoted = !quoted;  // "" inside quotes toggles twice
    if (line[end] == ';' && !quoted) break;
  }
  std::string text = line.substr(0, end);
  *continued = false;
  if (quoted) return text;
  auto trimEnd = [&text] {
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
  };
  trimEnd();
  if (!text.empty() && text.back() == '\\') {
    text.pop_back();
    trimEnd();
    *continued = true;
  }
  return text;
}

// Collects one field: blanks around it go, quoted text stays whole.
class FieldBuilder {
 public:
  void AddPlain(char c) {
    if (IsBlank(c) && m_text.empty() && !m_started) return;
    m_text += c;
    m_started = true;
    if (!IsBlank(c)) m_kept = m_text.size();
  }
  void AddQuoted(char c) {
    m_text += c;
    m_kept = m_text.size();
  }
  void StartQuote() {
    m_started = true;
    m_kept = m_text.size();
  }
  std::string Take() {
    m_text.resize(m_kept);
    std::string out;
    out.swap(m_text);
    m_kept = 0;
    m_started = false;
    return out;
  }

 private:
  std::string m_text;
  size_t m_kept = 0;  // length without the trailing blanks outside quotes
  bool m_started = false;
};

}  // namespace

std::unique_ptr<InfDocument> InfDocument::Parse(const std::string& bytes) {
  const std::string text = DecodeText(bytes);
  if (text.empty()) return nullptr;
  std::unique_ptr<InfDocument> doc(new InfDocument());
  int current = -1;
  bool strayText = false;
  std::string logical;
  bool joined = false;  // logical has taken a continuation
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (joined) {
      line.erase(0, first);  // a continuation's leading blanks go
    } else if (first < line.size() && line[first] == '[') {
      if (!doc->StartSection(line.substr(first + 1), &current)) return nullptr;
      continue;
    }
    bool continued = false;
    logical += WithoutComment(line, &continued);
    if (continued && start < text.size()) {
      joined = true;
      continue;
    }
    if (!doc->AddLine(logical, joined, current, &strayText)) return nullptr;
    logical.clear();
    joined = false;
  }
  if (strayText && doc->FindSection("Strings") < 0) return nullptr;
  return doc;
}

bool InfDocument::StartSection(const std::string& rest, int* current) {
  const size_t close = rest.find(']');
  if (close == std::string::npos) return false;
  const std::string name = rest.substr(0, close);
  *current = FindSection(name);
  if (*current < 0) {
    m_sections.push_back(Section{name, {}});
    *current = static_cast<int>(m_sections.size()) - 1;
  }
  return true;
}

bool InfDocument::AddLine(const std::string& text, bool joined, int current, bool* strayText) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() && !joined) return true;
  if (current < 0) {
    *strayText = true;
    return true;
  }

  std::vector<std::string> fields;
  FieldBuilder field;
  bool quoted = false;
  bool hasEquals = false;
  for (size_t i = first; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field.AddQuoted(c);
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field.AddQuoted('"');
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
      field.StartQuote();
    } else if (c == ',' || (c == '=' && !hasEquals && fields.empty())) {
      hasEquals = hasEquals || c == '=';
      fields.push_back(field.Take());
    } else {
      field.AddPlain(c);
    }
  }
  fields.push_back(field.Take());

  Line line;
  if (hasEquals) {
    line.hasKey = true;
    line.key = fields.front();
    line.values.assign(fields.begin() + 1, fields.end());
  } else {
    line.hasKey = fields.size() == 1;
    if (line.hasKey) line.key = fields.front();
    line.values = fields;
  }
  m_sections[current].lines.push_back(line);
  return true;
}

int InfDocument::FindSection(const std::string& name) const {
  for (size_t i = 0; i < m_sections.size(); ++i) {
    if (AsciiEqualNoCase(m_sections[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

size_t InfDocument::GetLineCount(int section) const {
  if (section < 0 || static_cast<size_t>(section) >= m_sections.size()) return 0;
  return m_sections[section].lines.size();
}

bool InfDocument::GetStringField(int section, size_t line, size_t index, size_t bufferSize,
                                 std::string* text) const {
  if (line >= GetLineCount(section)) return false;
  const Line& found = m_sections[section].lines[line];
  const std::string* field = nullptr;
  if (index == 0) {
    if (found.hasKey) field = &found.key;
  } else if (index - 1 < found.values.size()) {
    field = &found.values[index - 1];
  }
  if (field == nullptr) return false;
  std::string value = Substitute(*field);
  if (value.size() + 1 > bufferSize) return false;
  *text = value;
  return true;
}

std::string InfDocument::Substitute(const std::string& text) const {
  const int strings = FindSection("Strings");
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('%', pos);
    const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(text, pos, open - pos);
    pos = close + 1;
    const std::string name = text.substr(open + 1, close - open - 1);
    if (name.empty()) {
      out += '%';
      continue;
    }
    bool replaced = false;
    for (size_t i = 0; i < GetLineCount(strings) && !replaced; ++i) {
      const Line& entry = m_sections[strings].lines[i];
      if (entry.hasKey && !entry.values.empty() && AsciiEqualNoCase(entry.key, name)) {
        out += entry.values.front();
        replaced = true;
      }
    }
    if (!replaced) out += '%' + name + '%';
  }
  out.append(text, pos, std::string::npos);
  return out;
}
