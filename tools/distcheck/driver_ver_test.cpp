#include "tools/distcheck/driver_ver.h"

#include <gtest/gtest.h>

namespace {

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
