// The editions Setup.exe supports, taken from its own tag rule (GetEditionTag):
// each one's [Dir] tag, the machine type its installer must have, and the
// Windows versions the tag covers (XP: 5.1 and 5.2, x64 from 5.2; Vista: 6.0;
// 7: 6.1 and every later version).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/distcheck/inf/package_inf.h"

struct Edition {
  std::string tag;   // "WinXP32" .. "Win7_64"
  uint16_t machine;  // x64 on 64-bit Windows, else x86
  InfTarget target;  // its architecture and Windows versions, for the package's INF
};

// The six editions: Windows XP, Vista and 7, each 32-bit and then 64-bit.
const std::vector<Edition>& SupportedEditions();
