#include "tools/distcheck/inf_document.h"

#include <algorithm>
#include <cstdint>

#include "tools/distcheck/text_codec.h"

namespace {

constexpr size_t kMaxFieldLength = 511;        // longer fields are cut to this length
constexpr size_t kMaxSectionNameLength = 255;  // longer section names refuse the file
constexpr char16_t kControlZ = 0x1A;           // ends the file
constexpr size_t kNone = static_cast<size_t>(-1);

// The characters the parser takes for white space.
bool IsSpace(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

char16_t FoldCase(char16_t c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char16_t>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

bool EqualNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

int FindSectionIn(const std::vector<InfDocument::Section>& sections, const std::u16string& name) {
  for (size_t i = 0; i < sections.size(); ++i) {
    if (EqualNoCase(sections[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

// Whether the system's text detection takes the file for UTF-16. It looks at
// the first 256 16-bit little-endian units (a last NUL byte not counted): an
// odd length, a reversed byte order mark, a unit 0x0000 or a byte-swapped
// control character (0x0D00, 0x0A00, 0x0900, 0x2000) make it 8-bit text; else
// a zero byte in any unit, or the byte order mark, makes it UTF-16.
bool LooksLikeUtf16(const std::string& bytes) {
  size_t length = bytes.size();
  if (length < 2 || (length & 1)) return false;
  if (bytes[length - 1] == 0) --length;
  length = std::min<size_t>(length / 2, 256);
  bool zeroByte = false;
  for (size_t i = 0; i < length; ++i) {
    const auto lo = static_cast<uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<uint8_t>(bytes[2 * i + 1]);
    const uint16_t unit = static_cast<uint16_t>(lo | (hi << 8));
    if (unit == 0 || unit == 0x0D00 || unit == 0x0A00 || unit == 0x0900 || unit == 0x2000) {
      return false;
    }
    if (i == 0 && unit == 0xFFFE) return false;
    if (lo == 0 || hi == 0) zeroByte = true;
  }
  const bool signature = length > 0 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
                         static_cast<uint8_t>(bytes[1]) == 0xFE;
  return zeroByte || signature;
}

// The file's text as UTF-16, as the system decodes it (see the header).
std::u16string Decode(const std::string& bytes) {
  std::u16string text;
  if (LooksLikeUtf16(bytes)) {
    size_t i = 0;
    if (static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                    (static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    return text;
  }
  if (bytes.size() > 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return Utf8ToUtf16(bytes.substr(3));
  }
  text.reserve(bytes.size());
  for (char b : bytes) text += Cp1252ToUtf16(static_cast<uint8_t>(b));
  return text;
}

// The line-by-line state machine of the INF parser. Each state handler takes
// the position to go on from and returns the next one, or kNone when parsing
// has ended (at the end of the text or on an error).
class Parser {
 public:
  explicit Parser(const std::u16string& text) : m_text(text) {}

  // Runs the machine over the whole text; false on a parse error.
  bool Run(std::vector<InfDocument::Section>* sections) {
    m_sections = sections;
    size_t pos = 0;
    while (pos != kNone) {
      switch (m_state) {
        case LINE_START:
          pos = LineStart(pos);
          break;
        case SECTION_NAME:
          pos = SectionName(pos);
          break;
        case KEY_NAME:
          pos = KeyName(pos);
          break;
        case VALUE_NAME:
          pos = ValueName(pos);
          break;
        case EOL_BACKSLASH:
          pos = EolBackslash(pos);
          break;
        case QUOTES:
          pos = Quotes(pos);
          break;
        case LEADING_SPACES:
          pos = LeadingSpaces(pos);
          break;
        case TRAILING_SPACES:
          pos = TrailingSpaces(pos);
          break;
        case COMMENT:
          pos = Comment(pos);
          break;
      }
    }
    return !m_bError;
  }

  // Whether non-blank text stood before the first section.
  bool HadBrokenLine() const { return m_bBrokenLine; }

 private:
  enum State {
    LINE_START,
    SECTION_NAME,
    KEY_NAME,
    VALUE_NAME,
    EOL_BACKSLASH,
    QUOTES,
    LEADING_SPACES,
    TRAILING_SPACES,
    COMMENT,
  };

  bool IsEof(size_t p) const { return p >= m_text.size() || m_text[p] == kControlZ; }
  bool IsEol(size_t p) const { return IsEof(p) || m_text[p] == '\n'; }
  char16_t At(size_t p) const { return m_text[p]; }

  void SetState(State s) { m_state = s; }
  void PushState(State s) { m_stack.push_back(s); }
  void PopState() {
    if (m_stack.empty()) {
      m_state = LINE_START;
      return;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
  }

  // Appends the text from m_start up to pos to the token (NUL read as a blank,
  // the token cut at its maximum length); pos becomes the new start.
  void PushToken(size_t pos) {
    for (size_t p = m_start; p < pos && m_token.size() < kMaxFieldLength; ++p) {
      m_token += m_text[p] ? m_text[p] : u' ';
    }
    m_start = pos;
  }

  bool AddSectionFromToken() {
    if (m_token.size() > kMaxSectionNameLength) {
      m_bError = true;
      return false;
    }
    int index = FindSectionIn(*m_sections, m_token);
    if (index < 0) {
      m_sections->push_back(InfDocument::Section{m_token, {}});
      index = static_cast<int>(m_sections->size()) - 1;
    }
    m_token.clear();
    m_nSection = index;
    return true;
  }

  void AddFieldFromToken(bool isKey) {
    auto& lines = (*m_sections)[static_cast<size_t>(m_nSection)].lines;
    if (!m_bLineOpen) {
      lines.emplace_back();
      m_bLineOpen = true;
    }
    InfDocument::Line& line = lines.back();
    if (isKey) {
      line.hasKey = true;
      line.key = m_token;
    } else {
      line.values.push_back(m_token);
    }
    m_token.clear();
  }

  // A line of a single value and no key has that value as its key too.
  void CloseCurrentLine() {
    if (m_bLineOpen) {
      InfDocument::Line& line = (*m_sections)[static_cast<size_t>(m_nSection)].lines.back();
      if (!line.hasKey && line.values.size() == 1) {
        line.hasKey = true;
        line.key = line.values[0];
      }
    }
    m_bLineOpen = false;
  }

  size_t LineStart(size_t pos) {
    size_t p = pos;
    for (; !IsEof(p); ++p) {
      const char16_t c = At(p);
      if (c == '\n') {
        CloseCurrentLine();
      } else if (c == ';') {
        PushState(LINE_START);
        SetState(COMMENT);
        return p + 1;
      } else if (c == '[') {
        m_start = p + 1;
        SetState(SECTION_NAME);
        return p + 1;
      } else if (!IsSpace(c)) {
        if (m_nSection != -1) {
          m_start = p;
          SetState(KEY_NAME);
          return p;
        }
        m_bBrokenLine = true;
      }
    }
    CloseCurrentLine();
    return kNone;
  }

  size_t SectionName(size_t pos) {
    for (size_t p = pos; !IsEol(p); ++p) {
      if (At(p) == ']') {
        PushToken(p);
        if (!AddSectionFromToken()) return kNone;
        PushState(LINE_START);
        SetState(COMMENT);  // the rest of the line is ignored
        return p + 1;
      }
    }
    m_bError = true;  // unfinished section name
    return kNone;
  }

  size_t KeyName(size_t pos) {
    size_t tokenEnd = m_start;
    size_t p = pos;
    for (; !IsEol(p); ++p) {
      const char16_t c = At(p);
      if (c == ',') break;
      switch (c) {
        case '=':
          PushToken(tokenEnd);
          AddFieldFromToken(true);
          m_start = p + 1;
          PushState(VALUE_NAME);
          SetState(LEADING_SPACES);
          return p + 1;
        case ';':
          PushToken(tokenEnd);
          AddFieldFromToken(false);
          PushState(LINE_START);
          SetState(COMMENT);
          return p + 1;
        case '"':
          PushToken(p);
          m_start = p + 1;
          PushState(KEY_NAME);
          SetState(QUOTES);
          return p + 1;
        case '\\':
          PushToken(tokenEnd);
          m_start = p;
          PushState(KEY_NAME);
          SetState(EOL_BACKSLASH);
          return p;
        default:
          if (!IsSpace(c)) {
            tokenEnd = p + 1;
          } else {
            PushToken(p);
            PushState(KEY_NAME);
            SetState(TRAILING_SPACES);
            return p;
          }
      }
    }
    PushToken(tokenEnd);
    SetState(VALUE_NAME);
    return p;
  }

  size_t ValueName(size_t pos) {
    size_t tokenEnd = m_start;
    size_t p = pos;
    for (; !IsEol(p); ++p) {
      const char16_t c = At(p);
      switch (c) {
        case ';':
          PushToken(tokenEnd);
          AddFieldFromToken(false);
          PushState(LINE_START);
          SetState(COMMENT);
          return p + 1;
        case ',':
          PushToken(tokenEnd);
          AddFieldFromToken(false);
          m_start = p + 1;
          PushState(VALUE_NAME);
          SetState(LEADING_SPACES);
          return p + 1;
        case '"':
          PushToken(p);
          m_start = p + 1;
          PushState(VALUE_NAME);
          SetState(QUOTES);
          return p + 1;
        case '\\':
          PushToken(p);
          m_start = p;
          PushState(VALUE_NAME);
          SetState(EOL_BACKSLASH);
          return p;
        default:
          if (c != 0 && !IsSpace(c)) {  // trailing NULs of a value go like blanks
            tokenEnd = p + 1;
          } else {
            PushToken(p);
            PushState(VALUE_NAME);
            SetState(TRAILING_SPACES);
            return p;
          }
      }
    }
    PushToken(tokenEnd);
    AddFieldFromToken(false);
    SetState(LINE_START);
    return p;
  }

  size_t EolBackslash(size_t pos) {
    size_t p = pos;
    for (; !IsEof(p); ++p) {
      const char16_t c = At(p);
      if (c == '\n') {
        m_start = p + 1;
        SetState(LEADING_SPACES);
        return p + 1;
      }
      if (c == '\\') continue;
      if (c == ';') {
        PushState(EOL_BACKSLASH);
        SetState(COMMENT);
        return p + 1;
      }
      if (IsSpace(c)) continue;
      PushToken(p);
      PopState();
      return p;
    }
    m_start = p;
    PopState();
    return p;
  }

  size_t Quotes(size_t pos) {
    size_t p = pos;
    for (; !IsEol(p); ++p) {
      if (At(p) != '"') continue;
      if (p + 1 < m_text.size() && At(p + 1) == '"') {  // "" is one quote character
        PushToken(p + 1);
        m_start = p + 2;
        ++p;
      } else {  // end of the quoted text
        PushToken(p);
        m_start = p + 1;
        PopState();
        return p + 1;
      }
    }
    PushToken(p);
    PopState();
    return p;
  }

  size_t LeadingSpaces(size_t pos) {
    size_t p = pos;
    for (; !IsEol(p); ++p) {
      if (At(p) == '\\') {
        m_start = p;
        SetState(EOL_BACKSLASH);
        return p;
      }
      if (!IsSpace(At(p))) break;
    }
    m_start = p;
    PopState();
    return p;
  }

  size_t TrailingSpaces(size_t pos) {
    size_t p = pos;
    for (; !IsEol(p); ++p) {
      if (At(p) == '\\') {
        SetState(EOL_BACKSLASH);
        return p;
      }
      if (At(p) != 0 && !IsSpace(At(p))) break;
    }
    PopState();
    return p;
  }

  size_t Comment(size_t pos) {
    size_t p = pos;
    while (!IsEol(p)) ++p;
    PopState();
    return p;
  }

  const std::u16string& m_text;
  std::vector<InfDocument::Section>* m_sections = nullptr;
  State m_state = LINE_START;
  std::vector<State> m_stack;
  size_t m_start = 0;
  std::u16string m_token;
  int m_nSection = -1;
  bool m_bLineOpen = false;
  bool m_bBrokenLine = false;
  bool m_bError = false;
};

}  // namespace

std::unique_ptr<InfDocument> InfDocument::Parse(const std::string& bytes) {
  if (bytes.empty()) return nullptr;
  const std::u16string text = Decode(bytes);
  std::unique_ptr<InfDocument> doc(new InfDocument());
  Parser parser(text);
  if (!parser.Run(&doc->m_sections)) return nullptr;
  doc->m_nStringsSection = FindSectionIn(doc->m_sections, u"Strings");
  if (doc->m_nStringsSection == -1 && parser.HadBrokenLine()) return nullptr;
  return doc;
}

int InfDocument::FindSection(const std::string& name) const {
  std::u16string wide;
  for (char c : name) wide += Cp1252ToUtf16(static_cast<uint8_t>(c));
  return FindSectionIn(m_sections, wide);
}

size_t InfDocument::GetLineCount(int section) const {
  if (section < 0 || static_cast<size_t>(section) >= m_sections.size()) return 0;
  return m_sections[static_cast<size_t>(section)].lines.size();
}

bool InfDocument::GetStringField(int section, size_t line, size_t index, size_t bufferSize,
                                 std::string* text) const {
  if (line >= GetLineCount(section)) return false;
  const Line& l = m_sections[static_cast<size_t>(section)].lines[line];
  const std::u16string* field = nullptr;
  if (index == 0) {
    if (!l.hasKey) return false;
    field = &l.key;
  } else {
    if (index - 1 >= l.values.size()) return false;
    field = &l.values[index - 1];
  }
  std::string ansi = Utf16ToCp1252(Substitute(*field));
  if (ansi.size() >= bufferSize) return false;
  *text = std::move(ansi);
  return true;
}

std::u16string InfDocument::Substitute(const std::u16string& text) const {
  std::u16string out;
  size_t start = 0;
  bool inside = false;
  for (size_t p = 0; p < text.size(); ++p) {
    if (text[p] != '%') continue;
    inside = !inside;
    if (inside) {  // the start of a %name%
      out.append(text, start, p - start);
      start = p;
    } else {  // its end
      std::u16string value;
      if (LookUpString(text.substr(start + 1, p - start - 1), &value)) {
        out += value;
      } else {
        out.append(text, start, p - start + 1);
      }
      start = p + 1;
    }
  }
  if (start < text.size()) out.append(text, start, std::u16string::npos);
  return out;
}

bool InfDocument::LookUpString(const std::u16string& name, std::u16string* value) const {
  if (name.empty()) {
    *value = u"%";
    return true;
  }
  if (m_nStringsSection < 0) return false;
  for (const Line& line : m_sections[static_cast<size_t>(m_nStringsSection)].lines) {
    if (!line.hasKey || !EqualNoCase(line.key, name)) continue;
    if (line.values.empty()) return false;
    *value = line.values[0];
    return true;
  }
  return false;
}
