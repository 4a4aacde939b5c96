#include "env/mbcs.h"

#include <gtest/gtest.h>

namespace {

const CodePage kSjis = CodePage::ShiftJis();
const CodePage kAscii = CodePage::Ascii();
const size_t npos = std::string::npos;

TEST(MbLowerTest, LowersSingleBytesAndKeepsDoubleBytes) {
  struct Case {
    std::string in, sjis, ascii;
  } cases[] = {
      {"@AZ[`az{\xC0", "@az[`az{\xC0", "@az[`az{\xC0"},
      // 0x83 0x41 is one character whose trail byte looks like 'A'.
      {"\x83\x41X", "\x83\x41x", "\x83\x61x"},
      // A lead byte cut off at the end stays as it is.
      {"AB\x83", "ab\x83", "ab\x83"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.sjis, MbLower(c.in, kSjis)) << c.in;
    EXPECT_EQ(c.ascii, MbLower(c.in, kAscii)) << c.in;
  }
  // Equal once lowered: the trail byte 0x41 is no letter in code page 932.
  EXPECT_FALSE(MbEqualNoCase("\x83\x41", "\x83\x61", kSjis));
  EXPECT_TRUE(MbEqualNoCase("\x83\x41", "\x83\x61", kAscii));
  // The ASCII rule knows no code page: every 'A'..'Z' byte is a letter.
  EXPECT_EQ("@az[`az{\xC0\x83\x61", AsciiLower("@AZ[`az{\xC0\x83\x41"));
  EXPECT_TRUE(AsciiEqualNoCase("Win7_64", "WIN7_64"));
  EXPECT_FALSE(AsciiEqualNoCase("\xC0", "\xE0"));
}

TEST(MbFindTest, MatchesOnlyOnCharacterBoundaries) {
  struct Case {
    std::string text, needle;
    size_t sjis, ascii;
  } cases[] = {
      {"abcabc", "ca", 2, 2},
      {"ab", "abc", npos, npos},
      {"ab", "", 0, 0},
      // "\x5C" inside 表 (0x95 0x5C) is not a backslash of its own.
      {"\x95\x5C", "\\", npos, 1},
      {"\x95\x5C\\", "\\", 2, 1},
      // 'A' as a trail byte (0x83 0x41) is no match; the later 'A' is.
      {"\x83\x41\x41", "A", 2, 1},
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

}  // namespace
