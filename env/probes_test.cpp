#include "env/probes.h"

#include <gtest/gtest.h>

#include <map>

#include "env/code_page.h"
#include "env/system_info.h"
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

TEST(CutModuleDirectoryTest, CutsAtTheLastRealBackslashOfTheCodePage) {
  struct Case {
    std::string path, sjis, ascii;
  } cases[] = {
      {"D:\\Dist\\Setup.exe", "D:\\Dist", "D:\\Dist"},
      {"D:\\Setup.exe", "D:", "D:"},
      {"\\\\server\\share\\dist\\Setup.exe", "\\\\server\\share\\dist", "\\\\server\\share\\dist"},
      {"\\\\server\\share\\Setup.exe", "\\\\server\\share", "\\\\server\\share"},
      {"Setup.exe", "", ""},
      // 表 (0x95 0x5C) ends in a backslash byte that is no separator in code page 932.
      {"D:\\\x95\x5C\\Setup.exe", "D:\\\x95\x5C", "D:\\\x95\x5C"},
      {"D:\\\x95\x5CSetup.exe", "D:", "D:\\\x95"},
      {"\x95\x5CSetup.exe", "", "\x95"},
      // A lead byte cut off at the very end is not read past.
      {"a\\b\x95", "a", "a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, CutModuleDirectory(c.path, CodePage::ShiftJis())) << c.path;
    EXPECT_EQ(c.ascii, CutModuleDirectory(c.path, CodePage::Ascii())) << c.path;
  }
}

// Code page 1252 as far as the tests need it: the Latin-1 letters.
std::map<char16_t, std::string> Latin1() {
  std::map<char16_t, std::string> chars;
  for (int c = 0xA0; c <= 0xFF; ++c) chars[static_cast<char16_t>(c)] = std::string(1, char(c));
  return chars;
}

// Code page 932 for the characters of ドライバ表 and Σ.
std::map<char16_t, std::string> ShiftJis() {
  return {{u'ド', "\x83h"}, {u'ラ', "\x83\x89"}, {u'イ', "\x83\x43"},
          {u'バ', "\x83o"}, {u'表', "\x95\x5C"}, {u'Σ', "\x83\xB0"}};
}

// path + "\\Setup.exe" with as many "x" in the folder name as make it length
// characters long in all.
std::u16string PathOfLength(const std::u16string& folderStart, size_t length) {
  const std::u16string tail = u"\\Setup.exe";
  return folderStart + std::u16string(length - folderStart.size() - tail.size(), u'x') + tail;
}

TEST(FindModuleDirectoryTest, TheFullPathItsShortFormOrNone) {
  const std::map<std::u16string, std::u16string> kNames = {
      {u"Дмитрий", u"DMITRI~1"},
      {u"Downloads", u"DOWNLO~1"},
      {u"接收器驱动", u"5E38~1"},
      {u"Łukasz", u"UKASZ~1"},
      {u"Σ", u"Σ"},
      {u"\U00020000dist", u"DIST~1"},
      {u"deep", u"DEEP~1"},
      {u"dist", u"DIST"},
  };
  const std::u16string at259 = PathOfLength(u"C:\\deep\\", 259);
  const std::u16string at260 = PathOfLength(u"C:\\deep\\", 260);
  const std::u16string longName = at260.substr(8, 260 - 8 - 10);  // the x... folder's name
  const std::u16string uncAt300 = PathOfLength(u"\\\\server\\share\\deep\\", 300);
  const std::u16string uncName = uncAt300.substr(20, 300 - 20 - 10);
  enum Volume { kShortNames, kNoShortNames, kUnreadable };  // the volume of the path
  struct Case {
    const char* what;
    std::u16string module;
    bool shiftJis;  // code page 932, else 1252
    Volume volume;
    ModuleDirForm form;
    std::string dir;
    std::u16string query;  // what GetShortPathNameW was asked, if anything
  } cases[] = {
      {"plain", u"C:\\Dist\\Setup.exe", false, kShortNames, MODULE_DIR_LONG, "C:\\Dist", u""},
      {"Latin-1 on 1252", u"C:\\Treiber für Empfänger\\Setup.exe", false, kShortNames,
       MODULE_DIR_LONG, "C:\\Treiber f\xFCr Empf\xE4nger", u""},
      {"katakana on 932, trail byte 0x5C", u"C:\\ドライバ表\\Setup.exe", true, kShortNames,
       MODULE_DIR_LONG, "C:\\\x83h\x83\x89\x83\x43\x83o\x95\x5C", u""},
      {"started by its short form", u"C:\\Users\\DMITRI~1\\Setup.exe", false, kShortNames,
       MODULE_DIR_LONG, "C:\\Users\\DMITRI~1", u""},
      {"started with \\\\?\\", u"\\\\?\\C:\\Dist\\Setup.exe", false, kShortNames, MODULE_DIR_LONG,
       "\\\\?\\C:\\Dist", u""},
      {"share", u"\\\\server\\share\\dist\\Setup.exe", false, kShortNames, MODULE_DIR_LONG,
       "\\\\server\\share\\dist", u""},
      {"share root", u"\\\\server\\share\\Setup.exe", false, kShortNames, MODULE_DIR_LONG,
       "\\\\server\\share", u""},
      {"259 characters", at259, false, kShortNames, MODULE_DIR_LONG,
       std::string(at259.begin(), at259.end() - 10), u""},
      // Characters the code page lacks: a default character, a look-alike
      // (Ł would become L without WC_NO_BEST_FIT_CHARS: another folder),
      // a character outside the BMP.
      {"Cyrillic", u"C:\\Users\\Дмитрий\\Downloads\\ZavCir\\Setup.exe", false, kShortNames,
       MODULE_DIR_SHORT, "C:\\Users\\DMITRI~1\\DOWNLO~1\\ZavCir",
       u"C:\\Users\\Дмитрий\\Downloads\\ZavCir\\Setup.exe"},
      {"Chinese", u"C:\\接收器驱动\\Setup.exe", false, kShortNames, MODULE_DIR_SHORT, "C:\\5E38~1",
       u"C:\\接收器驱动\\Setup.exe"},
      {"best-fit letter", u"C:\\Users\\Łukasz\\ZavCir\\Setup.exe", false, kShortNames,
       MODULE_DIR_SHORT, "C:\\Users\\UKASZ~1\\ZavCir", u"C:\\Users\\Łukasz\\ZavCir\\Setup.exe"},
      {"surrogate pair", u"C:\\\U00020000dist\\Setup.exe", false, kShortNames, MODULE_DIR_SHORT,
       "C:\\DIST~1", u"C:\\\U00020000dist\\Setup.exe"},
      {"katakana on 1252", u"C:\\ドライバ表\\Setup.exe", false, kNoShortNames,
       MODULE_DIR_UNNAMEABLE, "", u"C:\\ドライバ表\\Setup.exe"},
      // 260 characters and more: the query needs the \\?\ prefix, the answer loses it.
      {"260 characters", at260, false, kShortNames, MODULE_DIR_SHORT, "C:\\DEEP~1\\XXXX~1",
       u"\\\\?\\" + at260},
      {"share, 300 characters", uncAt300, false, kShortNames, MODULE_DIR_SHORT,
       "\\\\server\\share\\DEEP~1\\XXXX~2", u"\\\\?\\UNC\\" + uncAt300.substr(2)},
      // No form that both converts and fits.
      {"Cyrillic, no short names", u"C:\\Users\\Дмитрий\\Setup.exe", false, kNoShortNames,
       MODULE_DIR_UNNAMEABLE, "", u"C:\\Users\\Дмитрий\\Setup.exe"},
      {"Cyrillic, short form unreadable", u"C:\\Users\\Дмитрий\\Setup.exe", false, kUnreadable,
       MODULE_DIR_UNNAMEABLE, "", u"C:\\Users\\Дмитрий\\Setup.exe"},
      {"short name outside the code page", u"C:\\Σ\\Setup.exe", false, kShortNames,
       MODULE_DIR_UNNAMEABLE, "", u"C:\\Σ\\Setup.exe"},
      {"260 characters, no short names", at260, false, kNoShortNames, MODULE_DIR_TOO_LONG, "",
       u"\\\\?\\" + at260},
      {"260 characters, short form unreadable", at260, false, kUnreadable, MODULE_DIR_TOO_LONG, "",
       u"\\\\?\\" + at260},
      {"no path", u"", false, kShortNames, MODULE_DIR_UNKNOWN, "", u""},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    p.system.moduleFileName = c.module;
    p.system.shortNames = kNames;
    p.system.shortNames[longName] = u"XXXX~1";
    p.system.shortNames[uncName] = u"XXXX~2";
    p.system.shortNamesOff = c.volume == kNoShortNames;
    p.system.shortPathFails = c.volume == kUnreadable;
    p.system.ansiCharacters = c.shiftJis ? ShiftJis() : Latin1();
    p.system.codePage = c.shiftJis ? CodePage::ShiftJis() : CodePage::Ascii();
    const ModuleDirectory found = FindModuleDirectory();
    EXPECT_EQ(c.form, found.form) << c.what;
    EXPECT_EQ(c.dir, found.dir) << c.what;
    const std::vector<std::u16string> queries{c.query};
    EXPECT_EQ(c.query.empty() ? std::vector<std::u16string>() : queries, p.system.shortPathQueries)
        << c.what;
    EXPECT_EQ(c.volume != kUnreadable && !c.query.empty(), found.shortForm.known) << c.what;
    std::string dir;
    GetModuleDirectory(dir);
    EXPECT_EQ(c.dir, dir) << c.what;
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

  // The 64-bit test build is on 64-bit Windows, whatever IsWow64Process says
  // of a 64-bit process (FALSE).
  ResetProbeCachesForTesting();
  platform.system.process64Bit = true;
  EXPECT_EQ(TRUE, IsWow64());
}

}  // namespace
