// An INF-syntax file read the way the system's INF parser reads a legacy-style
// (INF_STYLE_OLDNT) file: sections of lines, each line an optional key and a
// list of comma-separated values. Pure and bounds-checked: any byte sequence
// is either refused or parsed.
//
// What it follows, character for character:
// - section names ("[name]", taken as they stand between the brackets) are
//   matched without regard to case; a section that appears twice is one
//   section with the lines of both; the rest of a header line is ignored;
// - "key = v1, v2" lines; white space around keys and values is not part of
//   them; a line without '=' has no key, except that a line of one value has
//   that value as its key too;
// - ';' starts a comment outside double quotes; within double quotes every
//   character is kept and "" stands for one quote character;
// - a backslash at the end of a line (blanks and a comment may follow) joins
//   the next line;
// - Ctrl-Z ends the file; a NUL byte reads as a blank, except that NUL bytes
//   at the end of a value are dropped like blanks; fields are cut at 511
//   characters;
// - "%%" reads as "%", "%name%" as the first value of the line "name" of the
//   [Strings] section, anything else between '%' signs is kept as it is (the
//   system also replaces "%<number>%" by a system folder: this reader does not);
// - a file the system's text detection takes for UTF-16 (see LooksLikeUtf16 in
//   the source) is UTF-16; one with the UTF-8 byte order mark is UTF-8; any
//   other file is text in code page 1252. Fields are handed out in code page
//   1252, '?' standing for a character the code page lacks.
// The file is refused when it is empty, when a section name is not closed on
// its line or is longer than 255 characters, or when text stands before the
// first section and the file has no [Strings] section.
#pragma once

#include <memory>
#include <string>
#include <vector>

class InfDocument {
 public:
  // Parses the whole content of a file; nullptr when the parser refuses it.
  static std::unique_ptr<InfDocument> Parse(const std::string& bytes);

  // Index of the section named name (without regard to case), or -1.
  int FindSection(const std::string& name) const;
  // Number of lines of the section; 0 for an index that names no section.
  size_t GetLineCount(int section) const;
  // Field index of a line (0: the key; 1: the first value) as SetupGetStringFieldA
  // copies it into a buffer of bufferSize characters: false when the line has
  // no such field or the text with its terminating NUL does not fit. *text is
  // set only on success.
  bool GetStringField(int section, size_t line, size_t index, size_t bufferSize,
                      std::string* text) const;

  // One line: its key (when it has one) and its values, in UTF-16.
  struct Line {
    bool hasKey = false;
    std::u16string key;
    std::vector<std::u16string> values;
  };
  struct Section {
    std::u16string name;
    std::vector<Line> lines;
  };

 private:
  InfDocument() = default;
  // The field's text with its %-substitutions made.
  std::u16string Substitute(const std::u16string& text) const;
  // The first value of the [Strings] line whose key is name; false if none.
  bool LookUpString(const std::u16string& name, std::u16string* value) const;

  std::vector<Section> m_sections;
  int m_nStringsSection = -1;
};
