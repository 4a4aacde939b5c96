#include "env/code_page.h"

namespace {

// No lead bytes; every byte lower-cases to itself except 'A'..'Z'.
CodePage AsciiTable(unsigned number) {
  CodePage cp;
  cp.number = number;
  for (int b = 0; b < 256; ++b) cp.lower[b] = static_cast<uint8_t>(b);
  for (int b = 'A'; b <= 'Z'; ++b) cp.lower[b] = static_cast<uint8_t>(b - 'A' + 'a');
  return cp;
}

}  // namespace

CodePage CodePage::Ascii() { return AsciiTable(20127); }

CodePage CodePage::ShiftJis() {
  CodePage cp = AsciiTable(932);
  for (int b = 0x81; b <= 0x9F; ++b) cp.leadByte[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) cp.leadByte[b] = true;
  return cp;
}
