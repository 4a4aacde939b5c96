// The rule that reads the driver version from the lines of an INF file, and
// the numbers of such a version. Setup.exe applies them to the installed
// copies' INF files; the distribution checker to the package's zavcir.inf.
#pragma once

#include <array>
#include <string>

#include "env/code_page.h"

class CTextLineReader;

// The version of one line: the text after the first ',' that follows the first
// '=' after the first "DriverVer" (case-sensitive; a longer word matches too),
// with every space (0x20) left out and tabs kept. false when there is no
// "DriverVer", when a ';' stands before it, or when the '=' or the ',' is
// missing; *version is then not touched. An empty version still qualifies.
// The first overload reads 8-bit text in the code page, the second UTF-16.
bool ParseDriverVerLine(const std::string& line, const CodePage& cp, std::string* version);
bool ParseDriverVerLine(const std::u16string& line, std::u16string* version);

// The version of the first qualifying line of a whole INF file.
struct DriverVersionText {
  bool found = false;       // a line qualified (its version may still be empty)
  bool utf16 = false;       // the file starts with the UTF-16LE mark and was read as UTF-16
  std::string text;         // the version of an 8-bit file
  std::u16string wideText;  // the version of a UTF-16 file
};

// Reads the file from its start line by line and applies the line rule: as
// UTF-16LE text when it starts with the byte-order mark FF FE, else as 8-bit
// text in the code page.
DriverVersionText ReadDriverVersionText(CTextLineReader& reader, const CodePage& cp);

// The four numbers of a version, most significant first.
using VersionNumbers = std::array<unsigned, 4>;

// The numbers of a version text "w.x.y.z" as DriverVer and file versions are
// written: one to four parts of one to five decimal digits each, every part
// at most 65535 (a file version's parts have 16 bits); parts left out count
// as 0 ("1.1" is 1.1.0.0). false for any other text (a blank, a sign, a
// letter, an empty part), and *numbers is then not touched. Versions are
// ordered by their numbers: "1.10" is later than "1.9".
bool ParseVersionNumbers(const std::string& text, VersionNumbers* numbers);
