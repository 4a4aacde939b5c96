#include "env/probes.h"

#include <gtest/gtest.h>

#include "env/code_page.h"
#include "tests/fakes/fake_platform.h"

namespace {

TEST(ClassifyOsVersionTest, FollowsTheVersionTable) {
  const DWORD NT = VER_PLATFORM_WIN32_NT, W9X = VER_PLATFORM_WIN32_WINDOWS,
              W32S = VER_PLATFORM_WIN32s;
  struct Case {
    DWORD platform, major, minor;
    int kind;
  } cases[] = {
      {NT, 3, 51, OS_WIN2000},
      {NT, 4, 0, OS_WIN2000},
      {NT, 5, 0, OS_WIN2000},
      {NT, 5, 1, OS_WINXP},
      {NT, 5, 2, OS_WINXP},
      {NT, 6, 0, OS_VISTA},
      {NT, 6, 1, OS_WIN7},
      {NT, 6, 2, OS_WIN7},
      {NT, 6, 3, OS_WIN7},
      {NT, 10, 0, OS_WIN7},
      {W9X, 4, 0, OS_WIN9X},
      {W9X, 4, 10, OS_WIN9X},
      {W9X, 4, 89, OS_WIN9X},
      {W9X, 4, 90, OS_WINME},
      {W9X, 5, 90, OS_WINME},
      {W9X, 3, 95, OS_WIN9X},
      {W32S, 3, 10, OS_WIN9X},
      // Compared as unsigned numbers: a huge value is "above", never negative.
      {NT, 0xFFFFFFFFu, 0, OS_WIN7},
      {NT, 6, 0xFFFFFFFFu, OS_WIN7},
      {W9X, 4, 0xFFFFFFFFu, OS_WINME},
      {W9X, 0xFFFFFFFFu, 0, OS_WIN9X},
      {3, 6, 1, OS_WIN9X},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.kind, ClassifyOsVersion(OsVersion{c.platform, c.major, c.minor}))
        << "platform " << c.platform << ", version " << c.major << "." << c.minor;
  }
}

TEST(CutModuleDirectoryTest, CutsAtTheLastRealBackslash) {
  const CodePage sjis = CodePage::ShiftJis(), ascii = CodePage::Ascii();
  struct Case {
    std::string path, sjis, ascii;
  } cases[] = {
      {"D:\\Dist\\Setup.exe", "D:\\Dist", "D:\\Dist"},
      {"D:\\Setup.exe", "D:", "D:"},
      {"\\\\server\\share\\Setup.exe", "\\\\server\\share", "\\\\server\\share"},
      {"Setup.exe", "", ""},
      {"", "", ""},
      // 表 (0x95 0x5C) ends in a backslash byte that is no separator in code page 932.
      {"D:\\\x95\x5C\\Setup.exe", "D:\\\x95\x5C", "D:\\\x95\x5C"},
      {"D:\\\x95\x5CSetup.exe", "D:", "D:\\\x95"},
      {"\x95\x5CSetup.exe", "", "\x95"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, CutModuleDirectory(c.path, sjis)) << c.path;
    EXPECT_EQ(c.ascii, CutModuleDirectory(c.path, ascii)) << c.path;
  }
}

TEST(GetModuleDirectoryTest, UsesTheSystemsCodePage) {
  FakePlatform platform;
  platform.system.moduleFileName = "C:\\\x95\x5C\\\x95\x5CSetup.exe";
  platform.system.codePage = CodePage::ShiftJis();
  std::string dir = "stale";
  GetModuleDirectory(dir);
  EXPECT_EQ("C:\\\x95\x5C", dir);

  platform.system.codePage = CodePage::Ascii();
  GetModuleDirectory(dir);
  EXPECT_EQ("C:\\\x95\x5C\\\x95", dir);
}

TEST(IsDirectoryTest, JudgesByTheDirectoryBitAlone) {
  FakePlatform platform;
  platform.files.AddDirectory("C:\\Dist");
  platform.files.AddDirectory("C:\\Hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  platform.files.AddFile("C:\\Dist\\Setup.ini", "");
  platform.files.AddFile("C:\\Dist\\ro.txt", "", FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char* path;
    BOOL directory, file;
  } cases[] = {
      {"C:\\Dist", TRUE, FALSE},
      {"C:\\Hidden", TRUE, FALSE},
      {"C:\\Dist\\Setup.ini", FALSE, TRUE},
      {"C:\\Dist\\ro.txt", FALSE, TRUE},
      {"C:\\Missing", FALSE, FALSE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.directory, IsDirectory(c.path)) << c.path;
    EXPECT_EQ(c.file, IsFile(c.path)) << c.path;
  }
}

TEST(GetOsKindTest, AsksTheSystemOnceAndCaches) {
  FakePlatform platform;
  platform.system.version = OsVersion{VER_PLATFORM_WIN32_NT, 6, 0};
  EXPECT_EQ(OS_VISTA, GetOsKind());
  platform.system.version = OsVersion{VER_PLATFORM_WIN32_NT, 5, 1};
  EXPECT_EQ(OS_VISTA, GetOsKind());
  EXPECT_EQ(1, platform.system.versionQueries);

  ResetProbeCachesForTesting();
  EXPECT_EQ(OS_WINXP, GetOsKind());
  EXPECT_EQ(2, platform.system.versionQueries);
}

TEST(GetOsKindTest, FailedQueryIsAnUnsupportedKindAndCached) {
  FakePlatform platform;
  platform.system.versionOk = false;
  EXPECT_EQ(OS_WIN9X, GetOsKind());
  platform.system.versionOk = true;
  EXPECT_EQ(OS_WIN9X, GetOsKind());
  EXPECT_EQ(1, platform.system.versionQueries);
}

TEST(IsWow64Test, AsksTheSystemOnceAndCaches) {
  for (BOOL answer : {FALSE, TRUE}) {
    FakePlatform platform;
    platform.system.wow64 = answer;
    EXPECT_EQ(answer, IsWow64());
    platform.system.wow64 = !answer;
    EXPECT_EQ(answer, IsWow64());
    EXPECT_EQ(1, platform.system.wow64Queries);
  }
}

TEST(IsWow64Test, AnyNonZeroAnswerIsKeptAsTrue) {
  FakePlatform platform;
  platform.system.wow64 = -1;
  EXPECT_EQ(TRUE, IsWow64());
  EXPECT_EQ(TRUE, IsWow64());
  EXPECT_EQ(1, platform.system.wow64Queries);
}

}  // namespace
