// Fuzzes the DriverVer line rule through CUninstallEntry construction: an INF
// file of any bytes, read in whole chunks or in short reads, in the single-byte
// or the Shift-JIS code page, must give the version that the rule defines; a
// file that starts with FF FE is UTF-16LE text, whose version is written only
// when the code page carries it (the fake's code pages carry ASCII only).
//
// Input: one flag byte (bit 0: code page 932; bit 1: every read returns one
// byte less than asked, and so the last byte of the file is never read),
// then the INF file's bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/uninstall_entry.h"
#include "tests/fakes/fake_platform.h"

namespace {

constexpr char kInfPath[] = "C:\\Windows\\INF\\oem7.inf";

// The start of every character of line in the code page.
std::vector<bool> CharacterStarts(const std::string& line, const CodePage& cp) {
  std::vector<bool> starts(line.size() + 1, false);
  for (size_t i = 0; i < line.size();) {
    starts[i] = true;
    i += cp.leadByte[static_cast<unsigned char>(line[i])] && i + 1 < line.size() ? 2 : 1;
  }
  return starts;
}

// The first character start at or after from where text begins, or npos.
size_t FirstAt(const std::string& line, const std::vector<bool>& starts, size_t from,
               const std::string& text) {
  for (size_t i = from; i + text.size() <= line.size(); ++i)
    if (starts[i] && line.compare(i, text.size(), text) == 0) return i;
  return std::string::npos;
}

// The rule, written out once more: the first line with "DriverVer" not after a
// ';', with a '=' after it and a ',' after that; the text after the ',' without
// spaces.
bool ExpectedVersion(const std::string& contents, const CodePage& cp, std::string* version) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < contents.size()) {
    size_t end = contents.find('\n', pos);
    if (end == std::string::npos) {
      lines.push_back(contents.substr(pos));
      break;
    }
    std::string line = contents.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    pos = end + 1;
  }
  for (const std::string& line : lines) {
    const std::vector<bool> starts = CharacterStarts(line, cp);
    const size_t key = FirstAt(line, starts, 0, "DriverVer");
    if (key == std::string::npos) continue;
    const size_t semicolon = FirstAt(line, starts, 0, ";");
    if (semicolon != std::string::npos && semicolon < key) continue;
    const size_t equals = FirstAt(line, starts, key, "=");
    if (equals == std::string::npos) continue;
    const size_t comma = FirstAt(line, starts, equals, ",");
    if (comma == std::string::npos) continue;
    version->clear();
    for (size_t i = comma + 1; i < line.size(); ++i)
      if (line[i] != ' ') *version += line[i];
    return true;
  }
  return false;
}

// UTF-16LE text after its mark as 8-bit text for the rule: each unit below
// 0x80 as its byte, every other unit as 0x80, which no needle holds and the
// fake's conversion does not carry. An odd last byte is no unit.
std::string Utf16AsBytes(const std::string& contents) {
  std::string text;
  for (size_t i = 2; i + 1 < contents.size(); i += 2) {
    const unsigned unit =
        static_cast<unsigned char>(contents[i]) | static_cast<unsigned char>(contents[i + 1]) << 8;
    text += unit < 0x80 ? static_cast<char>(unit) : '\x80';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool shiftJis = data[0] & 1;
  const bool shortReads = data[0] & 2;
  const std::string contents(reinterpret_cast<const char*>(data) + 1, size - 1);

  FakePlatform p;
  p.system.codePage = shiftJis ? CodePage::ShiftJis() : CodePage::Ascii();
  p.files.AddFile(kInfPath, contents);
  if (shortReads) p.files.MakeShortRead(kInfPath);

  const CUninstallEntry entry("{K}", "c:\\tools\\dpinst.exe /u c:\\windows\\inf\\oem7.inf");
  if (entry.GetInfPath() != "c:\\windows\\inf\\oem7.inf") std::abort();

  // A short read ends the file one byte early.
  const std::string seen =
      shortReads && !contents.empty() ? contents.substr(0, contents.size() - 1) : contents;
  std::string expected;
  if (seen.compare(0, 2, "\xFF\xFE") == 0) {
    if (!ExpectedVersion(Utf16AsBytes(seen), CodePage::Ascii(), &expected) ||
        expected.find('\x80') != std::string::npos)
      expected.clear();
  } else if (!ExpectedVersion(seen, p.system.codePage, &expected)) {
    expected.clear();
  }
  if (entry.GetDriverVersion() != expected) std::abort();
  if (entry.ReadDriverVersion() != expected) std::abort();  // the same on a second read
  return 0;
}
