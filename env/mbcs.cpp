#include "env/mbcs.h"

namespace {

// Length in bytes of the character that starts at pos: 2 for a lead byte with
// its trail byte present, else 1 (a lead byte cut off at the end stands alone).
size_t CharLength(const std::string& text, size_t pos, const CodePage& cp) {
  const auto b = static_cast<unsigned char>(text[pos]);
  return (cp.leadByte[b] && pos + 1 < text.size()) ? 2 : 1;
}

}  // namespace

std::string MbLower(const std::string& text, const CodePage& cp) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); i += CharLength(out, i, cp)) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (!cp.leadByte[b]) out[i] = static_cast<char>(cp.lower[b]);
  }
  return out;
}

size_t MbFind(const std::string& text, const std::string& needle, const CodePage& cp) {
  if (needle.empty()) return 0;
  if (needle.size() > text.size()) return std::string::npos;
  const size_t lastStart = text.size() - needle.size();
  for (size_t i = 0; i <= lastStart; i += CharLength(text, i, cp)) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

size_t MbFindLastChar(const std::string& text, char c, const CodePage& cp) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i, cp)) {
    // A lead byte, with or without its trail byte, is never a single-byte character.
    if (!cp.leadByte[static_cast<unsigned char>(text[i])] && text[i] == c) found = i;
  }
  return found;
}

bool MbEqualNoCase(const std::string& a, const std::string& b, const CodePage& cp) {
  return a.size() == b.size() && MbLower(a, cp) == MbLower(b, cp);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool AsciiEqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}
