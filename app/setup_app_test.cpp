#include "app/setup_app.h"

#include <gtest/gtest.h>

#include "app/exit_code.h"
#include "env/probes.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Strings = std::vector<std::string>;

const char kUnsupported[] = "This ZAV CIR driver is for Windows 7, Vista or Windows XP only.";
const char kOpenFailed[] = "Failed to open Setup.ini file";

class SetupAppTest : public ::testing::Test {
 protected:
  // A distribution in C:\Dist with all six tags and their folders.
  SetupAppTest() {
    platform_.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir",
                                                   {{"WinXP32", "xp32"},
                                                    {"WinXP64", "xp64"},
                                                    {"Vista32", "vista32"},
                                                    {"Vista64", "vista64"},
                                                    {"Win7_32", "win7_32"},
                                                    {"Win7_64", "win7_64"}}}});
    for (const char* dir : {"xp32", "xp64", "vista32", "vista64", "win7_32", "win7_64"})
      platform_.files.AddDirectory(std::string("C:\\Dist\\") + dir);
  }
  void RunOn(DWORD platformId, DWORD major, DWORD minor, BOOL wow64) {
    platform_.system.version = OsVersion{platformId, major, minor};
    platform_.system.wow64 = wow64;
  }
  FakePlatform platform_;
  CSetupApp app_;
};

TEST_F(SetupAppTest, SucceedsAndRecordsTheFactsOfTheRun) {
  RunOn(VER_PLATFORM_WIN32_NT, 6, 1, TRUE);
  EXPECT_EQ(TRUE, app_.StartUp({}));
  EXPECT_EQ("C:\\Dist", app_.m_strModuleDir);
  EXPECT_EQ(OS_WIN7, app_.m_nOsKind);
  EXPECT_EQ(TRUE, app_.m_bWow64);
  EXPECT_EQ("C:\\Dist\\win7_64", app_.m_strPackageDir);
  EXPECT_EQ(FALSE, app_.m_cmdInfo.m_bSilent);
  EXPECT_EQ(FALSE, app_.m_cmdInfo.m_bUninstall);
  EXPECT_TRUE(platform_.ui.messages.empty());
  EXPECT_EQ(0, app_.ExitInstance());
  EXPECT_EQ(&app_, AfxGetApp());
}

TEST_F(SetupAppTest, PicksTheFolderOfEachSupportedSystem) {
  struct Case {
    DWORD major, minor;
    BOOL wow64;
    const char* dir;
  } cases[] = {
      {5, 2, TRUE, "xp64"},
      {6, 0, FALSE, "vista32"},
      {10, 0, TRUE, "win7_64"},
  };
  for (const auto& c : cases) {
    ResetProbeCachesForTesting();
    RunOn(VER_PLATFORM_WIN32_NT, c.major, c.minor, c.wow64);
    CSetupApp app;
    EXPECT_EQ(TRUE, app.StartUp({"/S"})) << c.dir;
    EXPECT_EQ(std::string("C:\\Dist\\") + c.dir, app.m_strPackageDir);
  }
}

TEST(SetupAppStartUpTest, FailedStartUpShowsItsReasonUnlessSilentAndSetsTheFailureBit) {
  struct Case {
    const char* what;
    DWORD platformId, major, minor;
    const char* iniPath;  // where Setup.ini lies
    Strings args;
    Strings messages;
  } cases[] = {
      {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, "C:\\Dist", {}, {kUnsupported}},
      {"Windows 2000, silent", VER_PLATFORM_WIN32_NT, 5, 0, "C:\\Dist", {"/S"}, {}},
      {"Windows Me, uninstall",
       VER_PLATFORM_WIN32_WINDOWS,
       4,
       90,
       "C:\\Dist",
       {"/U"},
       {kUnsupported}},
      {"no Setup.ini", VER_PLATFORM_WIN32_NT, 6, 1, "C:\\Elsewhere", {}, {kOpenFailed}},
      {"no Setup.ini, silent", VER_PLATFORM_WIN32_NT, 6, 1, "C:\\Elsewhere", {"-s"}, {}},
      {"no Setup.ini, silent uninstall",
       VER_PLATFORM_WIN32_NT,
       6,
       1,
       "C:\\Elsewhere",
       {"/u", "/s"},
       {}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.system.version = OsVersion{c.platformId, c.major, c.minor};
    platform.inf.AddFile(std::string(c.iniPath) + "\\Setup.ini", {{"Dir", {{"Win7_32", "x"}}}});
    platform.files.AddDirectory(std::string(c.iniPath) + "\\x");
    CSetupApp app;
    EXPECT_EQ(FALSE, app.StartUp(c.args)) << c.what;
    EXPECT_EQ(c.messages, platform.ui.messages) << c.what;
    EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance()) << c.what;
    EXPECT_EQ("", app.m_strPackageDir) << c.what;
  }
}

TEST_F(SetupAppTest, UnsupportedSystemDoesNotReadSetupIni) {
  RunOn(VER_PLATFORM_WIN32_WINDOWS, 4, 10, FALSE);
  EXPECT_EQ(FALSE, app_.StartUp({}));
  EXPECT_TRUE(platform_.inf.opened.empty());
}

TEST_F(SetupAppTest, NoUsableLineNamesTheTag) {
  platform_.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Vista32", ""}, {"Vista32", "v"}}}});
  RunOn(VER_PLATFORM_WIN32_NT, 6, 0, FALSE);
  EXPECT_EQ(FALSE, app_.StartUp({}));
  EXPECT_EQ(Strings{"Failed to find the line in Setup.ini: Vista32=..."}, platform_.ui.messages);
  EXPECT_EQ(EXIT_SETUP_FAILED, app_.ExitInstance());
  EXPECT_EQ(0, platform_.inf.openFiles);

  CSetupApp silent;
  EXPECT_EQ(FALSE, silent.StartUp({"/S"}));
  EXPECT_EQ(1u, platform_.ui.messages.size());
  EXPECT_EQ(EXIT_SETUP_FAILED, silent.ExitInstance());
}

TEST_F(SetupAppTest, MissingPackageFolderIsShownEvenWhenSilent) {
  platform_.files.Remove("C:\\Dist\\win7_32");
  for (const Strings& args : {Strings{}, Strings{"/S"}}) {
    platform_.ui.messages.clear();
    CSetupApp app;
    EXPECT_EQ(FALSE, app.StartUp(args));
    EXPECT_EQ(Strings{"Invalid path: C:\\Dist\\win7_32"}, platform_.ui.messages);
    EXPECT_EQ(EXIT_SETUP_FAILED, app.ExitInstance());
  }
}

TEST_F(SetupAppTest, UninstallDoesNotNeedThePackageFolder) {
  platform_.files.Remove("C:\\Dist\\win7_32");
  EXPECT_EQ(TRUE, app_.StartUp({"/U"}));
  EXPECT_EQ("C:\\Dist\\win7_32", app_.m_strPackageDir);
  EXPECT_TRUE(platform_.ui.messages.empty());
  EXPECT_EQ(0, app_.ExitInstance());
}

TEST_F(SetupAppTest, ExecutableInADriveRoot) {
  platform_.system.moduleFileName = "D:\\Setup.exe";
  platform_.inf.AddFile("D:\\Setup.ini", {{"Dir", {{"win7_32", "x86"}}}});
  platform_.files.AddDirectory("D:\\x86");
  EXPECT_EQ(TRUE, app_.StartUp({}));
  EXPECT_EQ(Strings{"D:\\Setup.ini"}, platform_.inf.opened);
  EXPECT_EQ("D:", app_.m_strModuleDir);
  EXPECT_EQ("D:\\x86", app_.m_strPackageDir);
}

TEST_F(SetupAppTest, FolderNameWithBackslashTrailByte) {
  const std::string dist = "C:\\\x95\x5C";  // 表, whose trail byte is 0x5C
  platform_.system.codePage = CodePage::ShiftJis();
  platform_.system.moduleFileName = dist + "\\Setup.exe";
  platform_.inf.AddFile(dist + "\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}}}});
  platform_.files.AddDirectory(dist + "\\x86");
  EXPECT_EQ(TRUE, app_.StartUp({}));
  EXPECT_EQ(Strings{dist + "\\Setup.ini"}, platform_.inf.opened);
  EXPECT_EQ(dist + "\\x86", app_.m_strPackageDir);
}

TEST_F(SetupAppTest, DoWorkTracesAroundTheInstallOnly) {
  ASSERT_EQ(TRUE, app_.StartUp({}));
  app_.DoWork();
  ASSERT_GE(platform_.trace.lines.size(), 2u);
  EXPECT_EQ("Install +\n", platform_.trace.lines.front());
  EXPECT_EQ("Install -\n", platform_.trace.lines.back());

  platform_.trace.lines.clear();
  CSetupApp uninstall;
  ASSERT_EQ(TRUE, uninstall.StartUp({"/U"}));
  uninstall.DoWork();
  for (const auto& line : platform_.trace.lines) {
    EXPECT_NE("Install +\n", line);
    EXPECT_NE("Install -\n", line);
  }
}

}  // namespace
