#include "env/setup_ini.h"

#include <gtest/gtest.h>

#include "env/code_page.h"
#include "env/probes.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Lines = std::vector<FakeInfParser::Line>;

TEST(GetEditionTagTest, OneTagPerSupportedKindAndWordSize) {
  // For the OS kinds -1 to 6: the tag on 32-bit and on 64-bit Windows.
  const char* const tags32[] = {"", "", "", "", "WinXP32", "Vista32", "Win7_32", ""};
  const char* const tags64[] = {"", "", "", "", "WinXP64", "Vista64", "Win7_64", ""};
  for (int kind = -1; kind <= 6; ++kind) {
    EXPECT_EQ(tags32[kind + 1], GetEditionTag(kind, FALSE)) << kind;
    EXPECT_EQ(tags64[kind + 1], GetEditionTag(kind, 2)) << kind;  // any non-zero flag
  }
}

class ReadPackageSubdirectoryTest : public ::testing::Test {
 protected:
  // Reads the [Dir] lines given for the tag from C:\Dist\Setup.ini.
  SetupIniResult Read(const Lines& dir, const std::string& tag, std::string* value) {
    m_platform.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", dir}});
    SetupIniResult result =
        ReadPackageSubdirectory(m_platform.inf, m_platform.system.codePage, "C:\\Dist", tag, value);
    EXPECT_EQ(0, m_platform.inf.openFiles) << "Setup.ini left open";
    return result;
  }
  FakePlatform m_platform;
};

TEST_F(ReadPackageSubdirectoryTest, WalksTheDirSection) {
  const std::string longValue(MAX_PATH, 'x');
  const std::string longestValue(MAX_PATH - 1, 'y'), longKey(MAX_PATH, 'k');
  const SetupIniResult FOUND = SETUP_INI_FOUND, NO_LINE = SETUP_INI_NO_LINE;
  struct Case {
    const char* what;
    Lines dir;
    SetupIniResult result;
    std::string value;
  } cases[] = {
      {"the tag's line", {{"WinXP32", "xp"}, {"Win7_64", "x64"}}, FOUND, "x64"},
      {"key in other case", {{"wIN7_64", "x64"}}, FOUND, "x64"},
      {"further values ignored", {{"Win7_64", "a", "b"}}, FOUND, "a"},
      {"first readable value wins", {{"Win7_64", "one"}, {"Win7_64", "two"}}, FOUND, "one"},
      {"line without value passed over", {{"Win7_64"}, {"Win7_64", "two"}}, FOUND, "two"},
      {"260-char value passed over", {{"Win7_64", longValue}, {"Win7_64", "two"}}, FOUND, "two"},
      {"259-char value read", {{"Win7_64", longestValue}}, FOUND, longestValue},
      {"line without key passed over", {{}, {"Win7_64", "x"}}, FOUND, "x"},
      {"260-char key passed over", {{longKey, "z"}, {"Win7_64", "x"}}, FOUND, "x"},
      {"empty first value ends the walk", {{"Win7_64", ""}, {"Win7_64", "two"}}, NO_LINE, ""},
      {"only unreadable values", {{"Win7_64"}, {"Win7_64", longValue}}, NO_LINE, ""},
      {"no line with the tag", {{"Win7_32", "x86"}, {"Win7_64x", "x"}}, NO_LINE, ""},
      {"tag as a prefix of the key", {{"Win7", "x"}}, NO_LINE, ""},
      {"empty section", {}, NO_LINE, ""},
  };
  for (const auto& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(c.result, Read(c.dir, "Win7_64", &value)) << c.what;
    EXPECT_EQ(c.result == SETUP_INI_FOUND ? c.value : "untouched", value) << c.what;
  }
}

TEST_F(ReadPackageSubdirectoryTest, KeysCompareWithDoubleByteCharacters) {
  m_platform.system.codePage = CodePage::ShiftJis();
  // In code page 932 the trail byte 0x41 ('A') is not lower-cased: 0x83 0x41
  // and 0x83 0x61 are different characters; a 'B' after them is a letter.
  const std::string ka = "\x83\x41", other = "\x83\x61";
  std::string value;
  EXPECT_EQ(SETUP_INI_NO_LINE, Read({{other, "x"}}, ka, &value));
  EXPECT_EQ(SETUP_INI_FOUND, Read({{ka + "B", "z"}}, ka + "b", &value));
  EXPECT_EQ("z", value);
}

TEST_F(ReadPackageSubdirectoryTest, ReadsOnlySetupIniBesideTheProgram) {
  m_platform.inf.AddFile("C:\\Dist\\Setup.ini", {{"Version", {{"Signature", "x"}}}});
  m_platform.inf.AddFile("D:\\Setup.ini", {{"dir", {{"Vista64", "amd64"}}}});
  m_platform.inf.AddFile("\\Setup.ini", {{"Dir", {{"Vista64", "x64"}}}});
  struct Case {
    const char* moduleDir;
    SetupIniResult result;
    const char* value;
  } cases[] = {
      {"C:\\Dist", SETUP_INI_NO_LINE, "untouched"},  // no [Dir] section
      {"C:\\Other", SETUP_INI_OPEN_FAILED, "untouched"},
      {"D:", SETUP_INI_FOUND, "amd64"},
      // An unknown program folder must not read the current drive's \Setup.ini.
      {"", SETUP_INI_OPEN_FAILED, "untouched"},
  };
  for (const auto& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(c.result, ReadPackageSubdirectory(m_platform.inf, m_platform.system.codePage,
                                                c.moduleDir, "Vista64", &value))
        << c.moduleDir;
    EXPECT_EQ(c.value, value) << c.moduleDir;
  }
  EXPECT_EQ(
      (std::vector<std::string>{"C:\\Dist\\Setup.ini", "C:\\Other\\Setup.ini", "D:\\Setup.ini"}),
      m_platform.inf.opened);
  EXPECT_EQ(0, m_platform.inf.openFiles);
}

TEST(ReadPackageSubdirectoryStyleTest, AWindowsStyleSignatureIsRefused) {
  using Sections = std::map<std::string, Lines>;
  const Lines dir = {{"Win7_64", "x64"}};
  struct Case {
    const char* what;
    Sections sections;
    SetupIniResult result;
  } cases[] = {
      {"no [Version]", {{"Dir", dir}}, SETUP_INI_FOUND},
      {"[Version] without a Signature",
       {{"Dir", dir}, {"Version", {{"Class", "x"}}}},
       SETUP_INI_FOUND},
      {"$Windows NT$",
       {{"Dir", dir}, {"Version", {{"Signature", "$Windows NT$"}}}},
       SETUP_INI_OPEN_FAILED},
      {"$CHICAGO$ in another case",
       {{"Dir", dir}, {"version", {{"a", "b"}, {"SIGNATURE", "$CHICAGO$", "x"}}}},
       SETUP_INI_OPEN_FAILED},
      {"$Windows 95$",
       {{"Dir", dir}, {"Version", {{"Signature", "$Windows 95$"}}}},
       SETUP_INI_OPEN_FAILED},
      {"another signature",
       {{"Dir", dir}, {"Version", {{"Signature", "$Legacy$"}}}},
       SETUP_INI_FOUND},
      {"a Signature elsewhere",
       {{"Dir", dir}, {"Other", {{"Signature", "$Windows NT$"}}}},
       SETUP_INI_FOUND},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.inf.AddFile("C:\\Dist\\Setup.ini", c.sections);
    std::string value;
    EXPECT_EQ(c.result, ReadPackageSubdirectory(platform.inf, platform.system.codePage, "C:\\Dist",
                                                "Win7_64", &value))
        << c.what;
  }
}

}  // namespace
