#include "env/mbcs.h"

#include <gtest/gtest.h>

namespace {

const CodePage kSjis = CodePage::ShiftJis();
const CodePage kAscii = CodePage::Ascii();
const size_t npos = std::string::npos;

TEST(CodePageTest, ShiftJisLeadBytesAreExactlyTheTwoRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(lead, kSjis.leadByte[b]) << "byte " << b;
    EXPECT_FALSE(kAscii.leadByte[b]) << "byte " << b;
  }
  EXPECT_EQ(932u, kSjis.number);
}

TEST(MbLowerTest, LowersSingleBytesAndKeepsDoubleBytes) {
  struct Case {
    std::string in, sjis, ascii;
  } cases[] = {
      {"Win7_64", "win7_64", "win7_64"},
      {"@AZ[`az{\xC0", "@az[`az{\xC0", "@az[`az{\xC0"},
      // 0x83 0x41 is one character whose trail byte looks like 'A'.
      {"\x83\x41X", "\x83\x41x", "\x83\x61x"},
      {"\x82\x60\x82\x61", "\x82\x60\x82\x61", "\x82\x60\x82\x61"},
      {"A\x95\x5C"
       "B",
       "a\x95\x5C"
       "b",
       "a\x95\x5C"
       "b"},
      // A lead byte cut off at the end stays as it is.
      {"AB\x83", "ab\x83", "ab\x83"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, MbLower(c.in, kSjis)) << c.in;
    EXPECT_EQ(c.ascii, MbLower(c.in, kAscii)) << c.in;
  }
}

TEST(MbFindTest, MatchesOnlyOnCharacterBoundaries) {
  struct Case {
    std::string text, needle;
    size_t sjis, ascii;
  } cases[] = {
      {"abcabc", "ca", 2, 2},
      {"", "a", npos, npos},
      {"ab", "abc", npos, npos},
      // "\x5C" inside 表 (0x95 0x5C) is not a backslash of its own.
      {"\x95\x5C", "\\", npos, 1},
      {"\x95\x5C\\", "\\", 2, 1},
      // 'A' as a trail byte (0x83 0x41) is no match; the later 'A' is.
      {"\x83\x41"
       "A",
       "A", 2, 1},
      {"x\x95\x5Cy", "\x95\x5Cy", 1, 1},
      // A needle starting with a trail byte never matches across characters.
      {"\x83\x41\x83\x41", "\x41\x83", npos, 1},
      // A truncated lead byte at the end is a character of its own.
      {"ab\x83", "\x83", 2, 2},
      {"ab\x83", "\x83\x41", npos, npos},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, MbFind(c.text, c.needle, kSjis)) << c.text << " / " << c.needle;
    EXPECT_EQ(c.ascii, MbFind(c.text, c.needle, kAscii)) << c.text << " / " << c.needle;
  }
}

TEST(MbFindLastCharTest, SkipsTrailBytes) {
  struct Case {
    std::string text;
    size_t sjis, ascii;
  } cases[] = {
      {"C:\\Dist\\Setup.exe", 7, 7},
      {"Setup.exe", npos, npos},
      {"", npos, npos},
      {"C:\\\x95\x5C\\Setup.exe", 5, 5},
      {"C:\\\x95\x5CSetup.exe", 2, 4},
      {"\x95\x5C", npos, 1},
      // A lead byte cut off at the very end is not read past.
      {"a\\b\x95", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, MbFindLastChar(c.text, '\\', kSjis)) << c.text;
    EXPECT_EQ(c.ascii, MbFindLastChar(c.text, '\\', kAscii)) << c.text;
  }
}

TEST(MbEqualNoCaseTest, ComparesLowerCasedForms) {
  EXPECT_TRUE(MbEqualNoCase("win7_64", "Win7_64", kSjis));
  EXPECT_TRUE(MbEqualNoCase("WINXP32", "WinXP32", kSjis));
  EXPECT_FALSE(MbEqualNoCase("Win7_64", "Win7_32", kSjis));
  EXPECT_FALSE(MbEqualNoCase("Win7", "Win7_64", kSjis));
  EXPECT_TRUE(MbEqualNoCase("", "", kSjis));
  // Trail bytes are compared as they are: 0x83 0x41 differs from 0x83 0x61
  // in code page 932 but not when the bytes are single characters.
  EXPECT_FALSE(MbEqualNoCase("\x83\x41", "\x83\x61", kSjis));
  EXPECT_TRUE(MbEqualNoCase("\x83\x41", "\x83\x61", kAscii));
  EXPECT_TRUE(MbEqualNoCase("\x95\x5CX", "\x95\x5Cx", kSjis));
}

}  // namespace
