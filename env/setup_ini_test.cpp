#include "env/setup_ini.h"

#include <gtest/gtest.h>

#include "env/code_page.h"
#include "env/probes.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Lines = std::vector<FakeInfParser::Line>;

TEST(GetEditionTagTest, OneTagPerSupportedKindAndWordSize) {
  struct Case {
    int kind;
    BOOL wow64;
    const char* tag;
  } cases[] = {
      {OS_WINXP, FALSE, "WinXP32"},
      {OS_WINXP, TRUE, "WinXP64"},
      {OS_VISTA, FALSE, "Vista32"},
      {OS_VISTA, TRUE, "Vista64"},
      {OS_WIN7, FALSE, "Win7_32"},
      {OS_WIN7, TRUE, "Win7_64"},
      {OS_WIN7, 2, "Win7_64"},
      {OS_WIN9X, FALSE, ""},
      {OS_WINME, TRUE, ""},
      {OS_WIN2000, FALSE, ""},
      {OS_WIN2000, TRUE, ""},
      {6, FALSE, ""},
      {-1, TRUE, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.tag, GetEditionTag(c.kind, c.wow64)) << "kind " << c.kind << " wow64 " << c.wow64;
  }
}

class ReadPackageSubdirectoryTest : public ::testing::Test {
 protected:
  // Reads the [Dir] lines given for the tag from C:\Dist\Setup.ini.
  SetupIniResult Read(const Lines& dir, const std::string& tag, std::string* value) {
    platform_.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", dir}});
    SetupIniResult result = ReadPackageSubdirectory("C:\\Dist", tag, value);
    EXPECT_EQ(0, platform_.inf.openFiles) << "Setup.ini left open";
    return result;
  }
  FakePlatform platform_;
};

TEST_F(ReadPackageSubdirectoryTest, WalksTheDirSection) {
  const std::string longValue(MAX_PATH, 'x');
  const std::string longestValue(MAX_PATH - 1, 'y');
  struct Case {
    const char* what;
    Lines dir;
    SetupIniResult result;
    std::string value;
  } cases[] = {
      {"the tag's line", {{"WinXP32", "xp"}, {"Win7_64", "x64"}}, SETUP_INI_FOUND, "x64"},
      {"key in other case", {{"wIN7_64", "x64"}}, SETUP_INI_FOUND, "x64"},
      {"further values ignored", {{"Win7_64", "a", "b"}}, SETUP_INI_FOUND, "a"},
      {"first readable value wins",
       {{"Win7_64", "one"}, {"Win7_64", "two"}},
       SETUP_INI_FOUND,
       "one"},
      {"line without value passed over", {{"Win7_64"}, {"Win7_64", "two"}}, SETUP_INI_FOUND, "two"},
      {"260-char value passed over",
       {{"Win7_64", longValue}, {"Win7_64", "two"}},
       SETUP_INI_FOUND,
       "two"},
      {"259-char value read", {{"Win7_64", longestValue}}, SETUP_INI_FOUND, longestValue},
      {"line without key passed over", {{}, {"Win7_64", "x"}}, SETUP_INI_FOUND, "x"},
      {"260-char key passed over",
       {{std::string(MAX_PATH, 'k'), "z"}, {"Win7_64", "x"}},
       SETUP_INI_FOUND,
       "x"},
      {"empty first value ends the walk",
       {{"Win7_64", ""}, {"Win7_64", "two"}},
       SETUP_INI_NO_LINE,
       ""},
      {"only unreadable values", {{"Win7_64"}, {"Win7_64", longValue}}, SETUP_INI_NO_LINE, ""},
      {"no line with the tag", {{"Win7_32", "x86"}, {"Win7_64x", "x"}}, SETUP_INI_NO_LINE, ""},
      {"tag as a prefix of the key", {{"Win7", "x"}}, SETUP_INI_NO_LINE, ""},
      {"empty section", {}, SETUP_INI_NO_LINE, ""},
  };
  for (const auto& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(c.result, Read(c.dir, "Win7_64", &value)) << c.what;
    EXPECT_EQ(c.result == SETUP_INI_FOUND ? c.value : "untouched", value) << c.what;
  }
}

TEST_F(ReadPackageSubdirectoryTest, KeysCompareWithDoubleByteCharacters) {
  platform_.system.codePage = CodePage::ShiftJis();
  // In code page 932 the trail byte 0x41 ('A') is not lower-cased: the keys
  // 0x83 0x41 and 0x83 0x61 are different characters.
  std::string value;
  EXPECT_EQ(SETUP_INI_NO_LINE, Read({{"\x83\x61", "x"}}, "\x83\x41", &value));
  EXPECT_EQ(SETUP_INI_FOUND, Read({{"\x83\x41", "y"}}, "\x83\x41", &value));
  EXPECT_EQ("y", value);
  EXPECT_EQ(SETUP_INI_FOUND, Read({{"\x83\x41"
                                    "B",
                                    "z"}},
                                  "\x83\x41"
                                  "b",
                                  &value));
  EXPECT_EQ("z", value);
}

TEST_F(ReadPackageSubdirectoryTest, MissingSectionOrFile) {
  platform_.inf.AddFile("C:\\Dist\\Setup.ini", {{"Version", {{"Signature", "x"}}}});
  std::string value = "untouched";
  EXPECT_EQ(SETUP_INI_NO_LINE, ReadPackageSubdirectory("C:\\Dist", "Vista32", &value));
  EXPECT_EQ(SETUP_INI_OPEN_FAILED, ReadPackageSubdirectory("C:\\Other", "Vista32", &value));
  EXPECT_EQ("untouched", value);
  EXPECT_EQ(0, platform_.inf.openFiles);
  EXPECT_EQ((std::vector<std::string>{"C:\\Dist\\Setup.ini", "C:\\Other\\Setup.ini"}),
            platform_.inf.opened);
}

TEST_F(ReadPackageSubdirectoryTest, UnknownProgramFolderReadsNoFile) {
  platform_.inf.AddFile("\\Setup.ini", {{"Dir", {{"Win7_64", "x64"}}}});
  std::string value = "untouched";
  EXPECT_EQ(SETUP_INI_OPEN_FAILED, ReadPackageSubdirectory("", "Win7_64", &value));
  EXPECT_EQ("untouched", value);
  EXPECT_TRUE(platform_.inf.opened.empty());
}

TEST_F(ReadPackageSubdirectoryTest, DriveRootReadsTheRootsFile) {
  platform_.inf.AddFile("D:\\Setup.ini", {{"dir", {{"Vista64", "amd64"}}}});
  std::string value;
  EXPECT_EQ(SETUP_INI_FOUND, ReadPackageSubdirectory("D:", "Vista64", &value));
  EXPECT_EQ("amd64", value);
  EXPECT_EQ((std::vector<std::string>{"D:\\Setup.ini"}), platform_.inf.opened);
}

}  // namespace
