#include "tools/distcheck/inf/inf_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The [Dir] lines of content as "field0|field1|..." read through 260-character
// buffers, "-" for a field that cannot be read, trailing "-" fields dropped;
// "refused" when the file does not parse.
std::string DirLines(const std::string& content) {
  std::unique_ptr<InfDocument> doc = InfDocument::Parse(content);
  if (!doc) return "refused";
  const int dir = doc->FindSection("Dir");
  std::string out;
  for (size_t line = 0; line < doc->GetLineCount(dir); ++line) {
    std::vector<std::string> fields;
    for (size_t index = 0; index < 5; ++index) {
      std::string text;
      fields.push_back(doc->GetStringField(dir, line, index, 260, &text) ? text : "-");
    }
    while (!fields.empty() && fields.back() == "-") fields.pop_back();
    if (!out.empty()) out += "\n";
    for (size_t i = 0; i < fields.size(); ++i) out += (i ? "|" : "") + fields[i];
  }
  return out;
}

struct Case {
  const char* name;
  std::string content;
  std::string expected;
};

TEST(InfDocumentTest, ReadsLines) {
  const std::string nul("\0", 1);
  const Case cases[] = {
      {"plain", "[Dir]\nWin7_64 = x64\n", "Win7_64|x64"},
      {"section case", "[dIR]\nwin7_64=x64\n", "win7_64|x64"},
      {"empty value", "[Dir]\nWin7_64 =\n", "Win7_64|"},
      {"no '=': the value is the key", "[Dir]\nWin7_64\n", "Win7_64|Win7_64"},
      {"no '=', two values: no key", "[Dir]\nWinXP64, x64\n", "-|WinXP64|x64"},
      {"'=' after a ',' is text", "[Dir]\na, b=c\n", "-|a|b=c"},
      {"second '=' is text", "[Dir]\nK = a=b\n", "K|a=b"},
      {"no key before '='", "[Dir]\n= novalue\n", "|novalue"},
      {"empty first of two values", "[Dir]\nWin7_64 = ,x\n", "Win7_64||x"},
      {"quotes keep blanks, comment goes", "[Dir]\n  Win7_64  =  \" a b \" ; c\n", "Win7_64| a b "},
      {"doubled quote", "[Dir]\nK = \"x6\"\"4\"\n", "K|x6\"4"},
      {"quoted text joins its neighbours", "[Dir]\nK = pre\"mid dle\"post\n", "K|premid dlepost"},
      {"blanks between words stay", "[Dir]\nWin \"XP64\"=a \"b\" c\n", "Win XP64|a b c"},
      {"quoted ';' ',' '='", "[Dir]\nK = \"a;b,c=d\"\n", "K|a;b,c=d"},
      {"unclosed quote runs to the line end", "[Dir]\nK = \"a ; b \r\n", "K|a ; b \r"},
      {"comment cuts a value", "[Dir]\nK = a;b\n", "K|a"},
      {"comment instead of '='", "[Dir]\nWin7_64 ; = c\n", "Win7_64|Win7_64"},
      {"inner blanks and tabs stay", "[Dir]\n\tK\t=\ta\tb c\t\n", "K|a\tb c"},
      {"CR LF", "[Dir]\r\nK = v\r\n", "K|v"},
      {"CR alone does not end a line", "[Dir]\rK = v\r", ""},
      {"continuation", "[Dir]\nK = x8\\\n6\n", "K|x86"},
      {"blanks around a joint go", "[Dir]\nK = a \\ ; c\n   b\n", "K|ab"},
      {"continued key", "[Dir]\nWin7_64 \\\n= joined\n", "Win7_64|joined"},
      {"a joined blank line stays", "[Dir]\n\\\n\nK=v\n", "|\nK|v"},
      {"quoted backslash does not join", "[Dir]\nK = \"a\\\nL = b\n", "K|a\\\nL|b"},
      {"backslash inside a value", "[Dir]\nK = sub\\dir\n", "K|sub\\dir"},
      {"a header is never continued", "[Dir] \\\nK = v\n", "K|v"},
      {"Ctrl-Z ends the file", "[Dir]\nK = a\x1a\nL = b\n", "K|a"},
      {"NUL is a space", "[Dir]\nK" + nul + " = a" + nul + "b" + nul + "\n", "K|a b"},
      {"sections merge", "[Dir]\nA=1\n[X]\nB=2\n  [dir]\nC=3\n", "A|1\nC|3"},
      {"header junk ignored", "[Dir] junk ; c\nK=v\n", "K|v"},
      {"blanks belong to section names", "[ Dir ]\nK=v\n", ""},
      {"text before a section with [Strings]", "x\n[Dir]\nK=v\n[Strings]\n", "K|v"},
      {"strings", "[Dir]\nK = %A%\\%%\\%b%\\%none%\\%open\n[Strings]\nA=\"x y\"\nB=z, w\n",
       "K|x y\\%\\z\\%none%\\%open"},
      {"folder ids stay", "[Dir]\nK = %11%\\x\n", "K|%11%\\x"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[Dir]\nK = caf\xC3\xA9\n", "K|caf\xE9"},
      {"high code page bytes round-trip", "[Dir]\nK = \x80\x81\x8D\x9F\xFF\n",
       "K|\x80\x81\x8D\x9F\xFF"},
      {"non-breaking space is a blank", "[Dir]\nK =\xA0v\xA0\n", "K|v"},
      {"a long section name", "[" + std::string(300, 's') + "]\n[Dir]\nK=v\n", "K|v"},
      {"no section at all", "\n\n; only a comment\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, DirLines(c.content)) << c.name;
}

TEST(InfDocumentTest, RefusesFiles) {
  const Case cases[] = {
      {"empty", "", "refused"},
      {"Ctrl-Z first", "\x1a[Dir]\nK=v\n", "refused"},
      {"unclosed section name", "[Dir]\nK=v\n[Other\n", "refused"},
      {"text before the first section", "stray\n[Dir]\nK=v\n", "refused"},
      {"8-bit text with a BOM cut to an odd length", std::string("\xFF\xFE[\0D\0]\0\n\0", 9),
       "refused"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, DirLines(c.content)) << c.name;
}

TEST(InfDocumentTest, FieldFitsOnlyWithItsNulInTheBuffer) {
  for (size_t length : {258u, 259u, 260u, 300u, 600u}) {
    const std::string content = "[Dir]\nK = " + std::string(length, 'v') + "\n";
    std::unique_ptr<InfDocument> doc = InfDocument::Parse(content);
    ASSERT_TRUE(doc);
    std::string text = "untouched";
    const bool read = doc->GetStringField(0, 0, 1, 260, &text);
    EXPECT_EQ(length < 260, read) << length;
    EXPECT_EQ(read ? std::string(length, 'v') : "untouched", text) << length;
  }
  // Length counts after substitution.
  std::unique_ptr<InfDocument> doc =
      InfDocument::Parse("[Dir]\nK = %L%\n[Strings]\nL = " + std::string(260, 'l') + "\n");
  ASSERT_TRUE(doc);
  std::string text;
  EXPECT_FALSE(doc->GetStringField(doc->FindSection("dir"), 0, 1, 260, &text));
  EXPECT_TRUE(doc->GetStringField(doc->FindSection("dir"), 0, 1, 261, &text));
}

TEST(InfDocumentTest, TakesUtf16ByItsMarkOrItsFirstUnits) {
  auto utf16 = [](const std::string& ascii, bool bom) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  EXPECT_EQ("K|v", DirLines(utf16("[Dir]\r\nK = v\r\n", true)));
  EXPECT_EQ("K|v", DirLines(utf16("[Dir]\r\nK = v\r\n", false)));
  // Zero bytes later on do not make 8-bit text UTF-16.
  EXPECT_EQ("K|v\nx yz|x yz", DirLines(std::string("[Dir]\nK=v\nx\0yz", 14)));
}

TEST(InfDocumentTest, Utf16FieldsComeOutInCodePage1252) {
  std::u16string text = u"\uFEFF[Dir]\r\nK = caf\u00E9\u20AC\u0100\r\n";
  std::string bytes;
  for (char16_t c : text)
    bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  EXPECT_EQ("K|caf\xE9\x80?", DirLines(bytes));
}

TEST(InfDocumentTest, SurvivesEveryPrefixOfAnAwkwardFile) {
  const std::string content =
      "[Dir]\r\nK = \"a\"\"b\" ; c\r\nL = x\\\r\n y, %S%\r\n\"q\r\n[Strings]\r\nS = \"v\"\r\n";
  for (size_t n = 0; n <= content.size(); ++n) {
    std::unique_ptr<InfDocument> doc = InfDocument::Parse(content.substr(0, n));
    if (!doc) continue;
    const int dir = doc->FindSection("Dir");
    for (size_t line = 0; line < doc->GetLineCount(dir) + 1; ++line) {
      for (size_t index = 0; index < 4; ++index) {
        std::string text;
        doc->GetStringField(dir, line, index, 260, &text);
      }
    }
  }
  std::unique_ptr<InfDocument> doc = InfDocument::Parse("[Dir]\nK=v\n");
  ASSERT_TRUE(doc);
  std::string text;
  EXPECT_FALSE(doc->GetStringField(-1, 0, 0, 260, &text));
  EXPECT_FALSE(doc->GetStringField(7, 0, 0, 260, &text));
  EXPECT_FALSE(doc->GetStringField(0, 1, 0, 260, &text));
  EXPECT_EQ(0u, doc->GetLineCount(doc->FindSection("Missing")));
}

}  // namespace
