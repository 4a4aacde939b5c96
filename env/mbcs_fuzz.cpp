// Fuzzes the multibyte text operations with the Shift-JIS lead-byte table (and
// the single-byte one): lower-casing, search, last separator, comparison
// without regard to case and the module-directory cut. Each answer is checked
// against what it promises: results on character boundaries only, lead bytes
// never taken for characters of their own, and the plain byte operations
// where the code page has no lead bytes.
//
// Input: one flag byte (bit 0: code page 932), the character searched for by
// MbFindLastChar, a byte that splits the rest into text and needle, then the rest.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "env/code_page.h"
#include "env/mbcs.h"
#include "env/probes.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Whether each position of text starts a character (the end counts as one).
std::vector<bool> Starts(const std::string& text, const CodePage& cp) {
  std::vector<bool> starts(text.size() + 1, false);
  size_t i = 0;
  for (; i < text.size(); i += cp.leadByte[static_cast<unsigned char>(text[i])] ? 2 : 1)
    starts[i] = true;
  starts[text.size()] = true;
  return starts;
}

bool IsLeadAt(const std::string& text, size_t i, const CodePage& cp) {
  return cp.leadByte[static_cast<unsigned char>(text[i])];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const CodePage kShiftJis = CodePage::ShiftJis();
  static const CodePage kAscii = CodePage::Ascii();
  const CodePage& cp = (data[0] & 1) ? kShiftJis : kAscii;
  const char c = static_cast<char>(data[1]);
  const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  const size_t split = data[2] % (rest.size() + 1);
  const std::string text = rest.substr(0, split), needle = rest.substr(split);
  const std::vector<bool> starts = Starts(text, cp);

  // MbLower: same length, lead bytes and the bytes they lead kept, single
  // bytes lowered by the table; lowering twice changes nothing more.
  const std::string lower = MbLower(text, cp);
  Check(lower.size() == text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (!starts[i] || IsLeadAt(text, i, cp))
      Check(lower[i] == text[i]);
    else
      Check(static_cast<uint8_t>(lower[i]) == cp.lower[static_cast<unsigned char>(text[i])]);
  }
  Check(MbLower(lower, cp) == lower);

  // MbFind: the first character start where needle begins.
  const size_t found = MbFind(text, needle, cp);
  size_t expected = std::string::npos;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i)
    if (starts[i] && text.compare(i, needle.size(), needle) == 0) {
      expected = i;
      break;
    }
  Check(found == expected);
  if (cp.number == kAscii.number) Check(found == text.find(needle));

  // MbFindLastChar: the last character start that is c itself (a lead byte
  // standing alone at the end is no character c).
  const size_t last = MbFindLastChar(text, c, cp);
  size_t expectedLast = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i)
    if (starts[i] && text[i] == c && !IsLeadAt(text, i, cp)) expectedLast = i;
  Check(last == expectedLast);
  if (cp.number == kAscii.number) Check(last == text.rfind(c));

  // MbEqualNoCase: symmetric, reflexive, and ASCII case folding without lead bytes.
  const bool equal = MbEqualNoCase(text, needle, cp);
  Check(equal == MbEqualNoCase(needle, text, cp));
  Check(MbEqualNoCase(text, text, cp));
  Check(equal == (MbLower(text, cp) == MbLower(needle, cp)));
  if (cp.number == kAscii.number) Check(equal == (AsciiLower(text) == AsciiLower(needle)));

  // CutModuleDirectory: the text before the last real backslash, or "".
  const size_t slash = MbFindLastChar(text, '\\', cp);
  Check(CutModuleDirectory(text, cp) ==
        (slash == std::string::npos ? std::string() : text.substr(0, slash)));
  return 0;
}
