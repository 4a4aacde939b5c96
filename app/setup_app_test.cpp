#include "app/setup_app.h"

#include <gtest/gtest.h>

#include "app/exit_code.h"
#include "env/probes.h"
#include "tests/fakes/fake_platform.h"

namespace {

using ::testing::PrintToString;
using Strings = std::vector<std::string>;

const char kUnsupported[] = "This ZAV CIR driver is for Windows 7, Vista or Windows XP only.";
const char kOpenFailed[] = "Failed to open Setup.ini file";
const char kNoLine[] = "Failed to find the line in Setup.ini: Win7_32=...";

TEST(SetupAppTest, StartUpRecordsTheFactsOfTheRun) {
  FakePlatform p;
  p.system.version = OsVersion{VER_PLATFORM_WIN32_NT, 6, 1};
  p.system.wow64 = TRUE;
  p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}, {"Win7_64", "x64"}}}});
  CSetupApp app;
  // Uninstall mode does not need the package folder.
  EXPECT_EQ(TRUE, app.StartUp({"-s", "/U"}));
  EXPECT_EQ("C:\\Dist", app.m_strModuleDir);
  EXPECT_EQ(OS_WIN7, app.m_nOsKind);
  EXPECT_EQ(TRUE, app.m_bWow64);
  EXPECT_EQ("C:\\Dist\\x64", app.m_strPackageDir);
  EXPECT_EQ(TRUE, app.m_cmdInfo.m_bSilent);
  EXPECT_EQ(TRUE, app.m_cmdInfo.m_bUninstall);
  EXPECT_TRUE(p.ui.messages.empty());
  // The uninstall job alone: nothing found, nothing started, no Install trace.
  app.DoWork();
  EXPECT_TRUE(p.runner.commands.empty());
  EXPECT_TRUE(p.trace.lines.empty());
  EXPECT_EQ(0, app.ExitInstance());
  EXPECT_EQ(&app, AfxGetApp());
}

TEST(SetupAppTest, AFailedStartUpShowsItsReasonUnlessSilentAndSetsTheFailureBit) {
  const OsVersion w2000{VER_PLATFORM_WIN32_NT, 5, 0}, me{VER_PLATFORM_WIN32_WINDOWS, 4, 90},
      w7{VER_PLATFORM_WIN32_NT, 6, 1};
  struct Case {
    OsVersion os;
    const char* value;  // the value of Setup.ini's Win7_32 line; nullptr: no Setup.ini
    Strings args, messages;
  } cases[] = {
      {w2000, "x86", {}, {kUnsupported}},
      {me, "x86", {"/U"}, {kUnsupported}},
      {w7, nullptr, {}, {kOpenFailed}},
      {w7, nullptr, {"/u", "/s"}, {}},
      {w7, "", {}, {kNoLine}},
      // Shown even when silent, but only in install mode.
      {w7, "gone", {"/S"}, {"Invalid path: C:\\Dist\\gone"}},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    p.system.version = c.os;
    if (c.value) p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", c.value}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    CSetupApp app;
    const std::string what = "Windows " + std::to_string(c.os.majorVersion) + ", Setup.ini " +
                             (c.value ? c.value : "missing") + ", " + PrintToString(c.args);
    EXPECT_EQ(FALSE, app.StartUp(c.args)) << what;
    EXPECT_EQ(c.messages, p.ui.messages) << what;
    EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance()) << what;
    EXPECT_EQ(0, p.inf.openFiles) << what;
    // An unsupported system does not even read Setup.ini.
    const bool supported = c.os.majorVersion == 6;
    EXPECT_EQ(supported, !p.inf.opened.empty()) << what;
  }
}

}  // namespace
