// Setup.ini (or any INF-syntax file) read into sections of lines, each line an
// optional key and a list of comma-separated values. Pure and bounds-checked:
// any byte sequence is either refused or read.
//
// The rules, in the order they apply:
// - text: a file starting with the UTF-8 byte order mark is UTF-8; a file of
//   even length that starts with the UTF-16LE byte order mark, or whose first
//   two 16-bit units are ASCII characters (a zero high byte, a non-zero low
//   byte), is UTF-16LE; any other file is code page 1252. The text is kept in
//   code page 1252, '?' standing for a character the code page lacks. Ctrl-Z
//   ends the text; a NUL byte reads as a space;
// - lines end at LF; a line ending in a backslash outside double quotes
//   (after its comment and trailing blanks) is joined with the next one, the
//   blanks around the joint dropped; a joined line is kept even when blank;
// - ';' outside double quotes starts a comment; blanks are space, tab, CR,
//   VT, FF and NBSP (a CR before LF is thus dropped as a blank);
// - a line whose first non-blank character is '[' is a section header: the
//   name is the text up to ']' as it stands, compared without regard to ASCII
//   case; the rest of the line is ignored and a header is never continued; a
//   repeated section continues the first;
// - any other non-blank line is "key = v1, v2": the first '=' outside quotes
//   and before any ',' ends the key; values are split at ',' outside quotes;
//   blanks around each field are dropped; a double-quoted part keeps every
//   character, and "" within quotes is one quote; a line without '=' has no
//   key, except that a line of one value has that value as its key too;
// - fields are read with "%%" as "%" and "%name%" as the first value of the
//   [Strings] line keyed name; any other '%' text is kept as it is.
// The file is refused when its text is empty (Ctrl-Z first included), when
// a '[' line has no ']', or when a line stands before the first section and
// the file has no [Strings] section.
#pragma once

#include <memory>
#include <string>
#include <vector>

class InfDocument {
 public:
  // Reads the whole content of a file; nullptr when it is refused.
  static std::unique_ptr<InfDocument> Parse(const std::string& bytes);

  // Index of the section named name (without regard to ASCII case), or -1.
  int FindSection(const std::string& name) const;
  // Number of lines of the section; 0 for an index that names no section.
  size_t GetLineCount(int section) const;
  // Field index of a line (0: the key; 1: the first value) with its
  // %-substitutions made, as it is copied into a buffer of bufferSize
  // characters: false when the line has no such field or the text with its
  // terminating NUL does not fit. *text is set only on success.
  bool GetStringField(int section, size_t line, size_t index, size_t bufferSize,
                      std::string* text) const;

 private:
  // One line: its key (when it has one) and its values, in code page 1252.
  struct Line {
    bool hasKey = false;
    std::string key;
    std::vector<std::string> values;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  InfDocument() = default;
  // Makes the section named by a header line (rest: the text after its '[')
  // the current one; false when the name is not closed on the line.
  bool StartSection(const std::string& rest, int* current);
  // Adds a line of text, its comment gone and continuations joined, to the
  // current section (none: *strayText is set). A blank line is dropped unless
  // it was joined from several.
  bool AddLine(const std::string& text, bool joined, int current, bool* strayText);
  // text with "%%" and "%name%" replaced.
  std::string Substitute(const std::string& text) const;

  std::vector<Section> m_sections;
};
