// Conversions between code page 1252 (the ANSI code page the checker assumes
// for Setup.ini), UTF-16 and UTF-8.
#pragma once

#include <cstdint>
#include <string>

// The UTF-16 character of one code page 1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 and so on, as
// the system's conversion does, so that every byte converts back to itself.
char16_t Cp1252ToUtf16(uint8_t byte);

// Code page 1252 text of UTF-16 text; a character the code page lacks, a
// surrogate pair included, becomes one '?'.
std::string Utf16ToCp1252(const std::u16string& text);

// UTF-16 text of UTF-8 bytes; every invalid or cut-off sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& bytes);

// UTF-8 bytes of code page 1252 text.
std::string Cp1252ToUtf8(const std::string& text);
