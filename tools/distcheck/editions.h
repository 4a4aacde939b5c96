// The editions Setup.exe supports, taken from its own tag rule (GetEditionTag):
// each one's [Dir] tag and the machine type its installer must have.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Edition {
  std::string tag;   // "WinXP32" .. "Win7_64"
  uint16_t machine;  // x64 on 64-bit Windows, else x86
};

// The six editions: Windows XP, Vista and 7, each 32-bit and then 64-bit.
const std::vector<Edition>& SupportedEditions();
