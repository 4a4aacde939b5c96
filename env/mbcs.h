// The multibyte-aware text operations of the program, in one place. Every one
// walks the text character by character in the given code page, so the second
// byte of a double-byte character is never taken for a character of its own
// (in code page 932 it may be 0x5C, the backslash, or an ASCII letter).
#pragma once

#include <string>

#include "env/code_page.h"

// The text with every single-byte character lower-cased; double-byte
// characters are kept as they are.
std::string MbLower(const std::string& text, const CodePage& cp);

// Position of the first occurrence of needle in text that starts on a
// character boundary of text (case-sensitive), or std::string::npos. An empty
// needle is found at 0.
size_t MbFind(const std::string& text, const std::string& needle, const CodePage& cp);

// Position of the last single-byte character c in text, or std::string::npos.
size_t MbFindLastChar(const std::string& text, char c, const CodePage& cp);

// Whether a and b are equal once both are lower-cased with MbLower.
bool MbEqualNoCase(const std::string& a, const std::string& b, const CodePage& cp);

// The text with 'A'..'Z' lower-cased and every other byte kept: the case rule
// of names that are ASCII by definition, whatever the code page (INF section
// and key names, edition tags; file and registry names in the fakes).
std::string AsciiLower(std::string text);

// Whether a and b are equal once both are lower-cased with AsciiLower.
bool AsciiEqualNoCase(const std::string& a, const std::string& b);
