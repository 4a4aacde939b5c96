#include "env/probes.h"

#include <gtest/gtest.h>

#include "env/code_page.h"
#include "tests/fakes/fake_platform.h"

namespace {

TEST(ClassifyOsVersionTest, FollowsTheVersionTable) {
  const DWORD NT = VER_PLATFORM_WIN32_NT, W9X = VER_PLATFORM_WIN32_WINDOWS, kMax = 0xFFFFFFFFu;
  // Versions are compared as unsigned numbers: a huge value is "above", never negative.
  struct Case {
    DWORD platform, major, minor;
    int kind;
  } cases[] = {
      {NT, 3, 51, OS_WIN2000}, {NT, 5, 0, OS_WIN2000},   {NT, 5, 1, OS_WINXP},
      {NT, 5, 2, OS_WINXP},    {NT, 6, 0, OS_VISTA},     {NT, 6, 1, OS_WIN7},
      {NT, 10, 0, OS_WIN7},    {NT, kMax, 0, OS_WIN7},   {NT, 6, kMax, OS_WIN7},
      {W9X, 4, 89, OS_WIN9X},  {W9X, 4, 90, OS_WINME},   {W9X, 5, 90, OS_WINME},
      {W9X, 3, 95, OS_WIN9X},  {W9X, 4, kMax, OS_WINME}, {VER_PLATFORM_WIN32s, 3, 10, OS_WIN9X},
      {3, 6, 1, OS_WIN9X},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.kind, ClassifyOsVersion(OsVersion{c.platform, c.major, c.minor}))
        << "platform " << c.platform << ", version " << c.major << "." << c.minor;
  }
}

TEST(GetModuleDirectoryTest, CutsAtTheLastRealBackslashOfTheSystemsCodePage) {
  FakePlatform platform;
  struct Case {
    std::string path, sjis, ascii;
  } cases[] = {
      {"D:\\Dist\\Setup.exe", "D:\\Dist", "D:\\Dist"},
      {"D:\\Setup.exe", "D:", "D:"},
      {"Setup.exe", "", ""},
      // 表 (0x95 0x5C) ends in a backslash byte that is no separator in code page 932.
      {"D:\\\x95\x5C\\Setup.exe", "D:\\\x95\x5C", "D:\\\x95\x5C"},
      {"D:\\\x95\x5CSetup.exe", "D:", "D:\\\x95"},
      {"\x95\x5CSetup.exe", "", "\x95"},
      // A lead byte cut off at the very end is not read past.
      {"a\\b\x95", "a", "a"},
  };
  for (const auto& c : cases) {
    std::string dir;
    platform.system.moduleFileName = c.path;
    platform.system.codePage = CodePage::ShiftJis();
    GetModuleDirectory(dir);
    EXPECT_EQ(c.sjis, dir) << c.path;
    platform.system.codePage = CodePage::Ascii();
    GetModuleDirectory(dir);
    EXPECT_EQ(c.ascii, dir) << c.path;
  }
}

TEST(IsDirectoryTest, JudgesByTheDirectoryBitAlone) {
  FakePlatform platform;
  platform.files.AddDirectory("C:\\Hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  platform.files.AddFile("C:\\ro.txt", "", FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char* path;
    BOOL directory, file;
  } cases[] = {
      {"C:\\Hidden", TRUE, FALSE}, {"C:\\ro.txt", FALSE, TRUE}, {"C:\\none", FALSE, FALSE}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.directory, IsDirectory(c.path)) << c.path;
    EXPECT_EQ(c.file, IsFile(c.path)) << c.path;
  }
}

TEST(ProbeCacheTest, TheSystemIsAskedOnce) {
  FakePlatform platform;
  platform.system.versionOk = false;  // a failed query is an unsupported kind
  platform.system.wow64 = -1;         // any non-zero answer is TRUE
  EXPECT_EQ(OS_WIN9X, GetOsKind());
  EXPECT_EQ(TRUE, IsWow64());
  platform.system.versionOk = true;
  platform.system.wow64 = FALSE;
  EXPECT_EQ(OS_WIN9X, GetOsKind());
  EXPECT_EQ(TRUE, IsWow64());
  EXPECT_EQ(1, platform.system.versionQueries);
  EXPECT_EQ(1, platform.system.wow64Queries);

  ResetProbeCachesForTesting();
  EXPECT_EQ(OS_WIN7, GetOsKind());
  EXPECT_EQ(FALSE, IsWow64());
}

}  // namespace
