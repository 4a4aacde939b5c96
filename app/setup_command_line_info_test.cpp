#include "app/setup_command_line_info.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_platform.h"

namespace {

TEST(SetupCommandLineInfoTest, RecognisesOnlyTheWholeSwitches) {
  FakePlatform platform;  // the system's code page
  struct Case {
    std::vector<std::string> args;
    BOOL silent, uninstall;
    const char* fileName;  // what the base handling records
  } cases[] = {
      {{}, FALSE, FALSE, ""},
      {{"/S"}, TRUE, FALSE, ""},
      {{"-s", "/S"}, TRUE, FALSE, ""},
      {{"/u"}, FALSE, TRUE, ""},
      {{"-S", "/U"}, TRUE, TRUE, ""},
      {{"/SU"}, FALSE, FALSE, ""},
      {{"/S:1"}, FALSE, FALSE, ""},
      {{"//S"}, FALSE, FALSE, ""},
      {{"/x", "/Q", "-"}, FALSE, FALSE, ""},
      {{"S", "U"}, FALSE, FALSE, "S"},
      {{"/S", "file.txt", "/U", "other"}, TRUE, TRUE, "file.txt"},
      {{"/U", "/file.txt"}, FALSE, TRUE, ""},
  };
  for (const auto& c : cases) {
    CSetupCommandLineInfo info;
    ParseCommandLine(info, c.args);
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(c.silent, info.m_bSilent) << what;
    EXPECT_EQ(c.uninstall, info.m_bUninstall) << what;
    EXPECT_EQ(c.fileName, info.m_strFileName) << what;
  }
}

}  // namespace
