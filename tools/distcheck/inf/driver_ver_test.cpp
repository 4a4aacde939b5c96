#include "tools/distcheck/inf/driver_ver.h"

#include <gtest/gtest.h>

namespace {

// text as UTF-16LE bytes after the byte-order mark.
std::string Utf16(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

TEST(DriverVerTest, FirstQualifyingLineOfTheFile) {
  struct Case {
    std::string content, version;
    bool utf16, beyondAscii;
  } cases[] = {
      {"[Version]\r\nSignature=x\r\n;DriverVer=a,9.9\r\nDriverVer=06/21/2013,3.0.0.2\r\n"
       "DriverVer=a,4.0\r\n",
       "3.0.0.2", false, false},
      {"DriverVer=a,\nDriverVer=a,4.0\n", "", false, false},  // reading stops at the first
      {"DriverVer=a,1.0\r\n", "1.0", false, false},           // CR before LF goes
      {"DriverVer=a,1.0\r", "1.0\r", false, false},           // a lone CR stays
      {"", "", false, false},
      {"DriverVer\n=a,1.0\n", "", false, false},           // the rule works per line
      {"DriverVer=a,1.0\xE9\n", "1.0\xE9", false, false},  // 8-bit bytes as they are
      {Utf16(u"[Version]\r\nDriverVer = a, 1.0\r\n"), "1.0", true, false},
      {Utf16(u"DriverVer=a,1.0\u00E9\u0416"), "1.0\xE9?", true, true},
      {Utf16(u"DriverVer 1.0\r\n"), "", true, false},
      {Utf16(u"DriverVer=a,1.0").substr(2), "", false, false},  // no mark: 8-bit text
  };
  for (const Case& c : cases) {
    const InfDriverVersion read = ReadDriverVersion(c.content);
    EXPECT_EQ(c.version, read.version) << c.content;
    EXPECT_EQ(c.utf16, read.utf16) << c.content;
    EXPECT_EQ(c.beyondAscii, read.beyondAscii) << c.content;
  }
}

}  // namespace
