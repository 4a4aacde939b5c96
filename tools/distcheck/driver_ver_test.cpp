#include "tools/distcheck/driver_ver.h"

#include <gtest/gtest.h>

namespace {

TEST(DriverVerTest, LineRule) {
  struct Case {
    const char* line;
    bool qualifies;
    const char* version;
  } cases[] = {
      {"DriverVer = 06/21/2013, 3.0.0.2", true, "3.0.0.2"},
      {"DriverVer=06/21/2013,3.0.0.2 ; build 7", true, "3.0.0.2;build7"},
      {"DriverVersion = x, 1.2", true, "1.2"},  // a longer word matches too
      {"driverver = x, 1.2", false, ""},        // the word is case-sensitive
      {"; DriverVer = x, 1.2", false, ""},
      {"a ; b DriverVer = x, 1.2", false, ""},
      {"DriverVer = x, 1.2 ; note", true, "1.2;note"},  // a ';' after the word does not count
      {"DriverVer 06/21/2013, 3.0", false, ""},         // no '='
      {"DriverVer = 06/21/2013", false, ""},            // no ','
      {"x, y = z DriverVer = a, 1.0", true, "1.0"},     // '=' and ',' after the word
      {"DriverVer = a,", true, ""},                     // an empty version still qualifies
      {"DriverVer = a,\t1.0 \r", true, "\t1.0\r"},      // only spaces are left out
  };
  for (const auto& c : cases) {
    std::string version = "untouched";
    EXPECT_EQ(c.qualifies, ParseDriverVerLine(c.line, &version)) << c.line;
    EXPECT_EQ(c.qualifies ? c.version : "untouched", version) << c.line;
  }
}

TEST(DriverVerTest, FirstQualifyingLineOfTheFile) {
  EXPECT_EQ("3.0.0.2", ReadDriverVersion("[Version]\r\nSignature=x\r\n"
                                         ";DriverVer=a,9.9\r\nDriverVer=06/21/2013,3.0.0.2\r\n"
                                         "DriverVer=a,4.0\r\n"));
  EXPECT_EQ("",
            ReadDriverVersion("DriverVer=a,\nDriverVer=a,4.0\n"));  // reading stops at the first
  EXPECT_EQ("1.0", ReadDriverVersion("DriverVer=a,1.0\r\n"));       // CR before LF goes
  EXPECT_EQ("1.0\r", ReadDriverVersion("DriverVer=a,1.0\r"));       // a lone CR stays
  EXPECT_EQ("", ReadDriverVersion(""));
  EXPECT_EQ("", ReadDriverVersion("DriverVer\n=a,1.0\n"));  // the rule works per line
  // A UTF-16 file has no line in which the rule finds its word.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("DriverVer=a,1.0\r\n")) utf16 += std::string{c, '\0'};
  EXPECT_EQ("", ReadDriverVersion(utf16));
}

}  // namespace
