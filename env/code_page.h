// An ANSI code page as the multibyte-aware text operations need it: which bytes
// lead a double-byte character, and how each single-byte character lower-cases.
#pragma once

#include <cstdint>

struct CodePage {
  unsigned number = 0;      // the code page's number, such as 1252 or 932
  bool leadByte[256] = {};  // true for a byte that starts a double-byte character
  uint8_t lower[256] = {};  // lower-case form of each single-byte character

  // The code page with no lead bytes and ASCII lower-casing only.
  static CodePage Ascii();
  // Code page 932 (Shift-JIS): lead bytes 0x81-0x9F and 0xE0-0xFC, ASCII
  // lower-casing. Used by tests and wherever the system's table is not at hand.
  static CodePage ShiftJis();
};
