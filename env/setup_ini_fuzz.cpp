// Fuzzes the [Dir] walk of Setup.ini over an INF file of any shape: sections
// of any name and letter case, lines with any number of fields of any length
// (beyond the 260-character buffers too), any bytes in keys and values. The
// walk must give the first readable value of the first line whose key is the
// tag, and close the file on every path.
//
// Input: one flag byte (bit 0: code page 932; bits 1-3: the tag, 0-5, out of
// range numbers meaning the same tags again), then lines separated by line
// feeds: "[name]" starts a section (lines before any header belong to a
// section named ""), any other line is its fields, "key=value,value,...".
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "env/mbcs.h"
#include "env/setup_ini.h"
#include "tests/fakes/fake_platform.h"

namespace {

const char* const kTags[] = {"WinXP32", "WinXP64", "Vista32", "Vista64", "Win7_32", "Win7_64"};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    const size_t end = text.find(separator, pos);
    parts.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) return parts;
    pos = end + 1;
  }
}

// A field as the walk sees it through a 260-character buffer: false when it
// does not fit with its NUL; the text up to its first NUL otherwise.
bool ReadField(const FakeInfParser::Line& line, size_t index, std::string* text) {
  if (index >= line.size() || line[index].size() + 1 > MAX_PATH) return false;
  *text = line[index].c_str();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string tag = kTags[((data[0] >> 1) & 7) % 6];
  std::map<std::string, std::vector<FakeInfParser::Line>> sections;
  std::string section;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (const std::string& line : Split(text, '\n')) {
    if (!line.empty() && line[0] == '[') {
      section = line.substr(
          1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1);
      sections[section];
      continue;
    }
    const size_t equals = line.find('=');
    FakeInfParser::Line fields;
    if (equals == std::string::npos) {
      fields = Split(line, ',');
    } else {
      fields.push_back(line.substr(0, equals));
      for (const std::string& value : Split(line.substr(equals + 1), ',')) fields.push_back(value);
    }
    // A Signature could make the file a Windows-style INF, which the legacy
    // style refuses: that check is not this target's.
    if (AsciiEqualNoCase(fields[0], "Signature")) continue;
    sections[section].push_back(fields);
  }

  FakePlatform p;
  p.system.codePage = (data[0] & 1) ? CodePage::ShiftJis() : CodePage::Ascii();
  p.inf.AddFile("C:\\Dist\\Setup.ini", sections);

  std::string value = "untouched";
  const SetupIniResult result =
      ReadPackageSubdirectory(p.inf, p.system.codePage, "C:\\Dist", tag, &value);

  // The section the parser gives for "Dir" (the fake takes the last match in
  // name order), walked by the rule.
  const std::vector<FakeInfParser::Line>* dir = nullptr;
  for (const auto& s : sections)
    if (AsciiLower(s.first) == "dir") dir = &s.second;
  std::string expected;
  if (dir) {
    for (const FakeInfParser::Line& line : *dir) {
      std::string key;
      if (!ReadField(line, 0, &key) || AsciiLower(key) != AsciiLower(tag)) continue;
      if (ReadField(line, 1, &expected)) break;
      expected.clear();
    }
  }

  if (p.inf.openFiles != 0) std::abort();
  if (p.inf.opened != std::vector<std::string>{"C:\\Dist\\Setup.ini"}) std::abort();
  if (expected.empty()) {
    if (result != SETUP_INI_NO_LINE || value != "untouched") std::abort();
  } else {
    if (result != SETUP_INI_FOUND || value != expected) std::abort();
  }
  return 0;
}
