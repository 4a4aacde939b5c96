#include "app/setup_command_line_info.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_platform.h"

namespace {

TEST(SetupCommandLineInfoTest, RecognisesOnlyTheWholeSwitches) {
  struct Case {
    std::vector<std::string> args;
    BOOL silent, uninstall;
  } cases[] = {
      {{}, FALSE, FALSE},
      {{"/S"}, TRUE, FALSE},
      {{"-s"}, TRUE, FALSE},
      {{"/u"}, FALSE, TRUE},
      {{"-U"}, FALSE, TRUE},
      {{"/S", "/U"}, TRUE, TRUE},
      {{"-S", "-U"}, TRUE, TRUE},
      {{"/S", "/S", "-s"}, TRUE, FALSE},
      {{"/SU"}, FALSE, FALSE},
      {{"/Silent"}, FALSE, FALSE},
      {{"/S:1"}, FALSE, FALSE},
      {{"/ S"}, FALSE, FALSE},
      {{"//S"}, FALSE, FALSE},
      {{"S"}, FALSE, FALSE},
      {{"/x", "/Q", "-"}, FALSE, FALSE},
      {{"file.txt", "/U", "other"}, FALSE, TRUE},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    CSetupCommandLineInfo info;
    ParseCommandLine(info, c.args);
    std::string line;
    for (const auto& a : c.args) line += a + " ";
    EXPECT_EQ(c.silent, info.m_bSilent) << line;
    EXPECT_EQ(c.uninstall, info.m_bUninstall) << line;
  }
}

TEST(SetupCommandLineInfoTest, PlainArgumentsGoToTheBaseAndFlagsDoNot) {
  FakePlatform platform;
  CSetupCommandLineInfo info;
  ParseCommandLine(info, {"/S", "-p", "first.txt", "second.txt"});
  EXPECT_EQ("first.txt", info.m_strFileName);

  CSetupCommandLineInfo flagsOnly;
  ParseCommandLine(flagsOnly, {"/U", "/file.txt"});
  EXPECT_EQ("", flagsOnly.m_strFileName);
}

}  // namespace
