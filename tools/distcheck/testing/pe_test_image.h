// Test support: small, valid PE images made in memory, with or without a
// version resource, for the tests of the PE reader and of the checker.
#pragma once

#include <cstdint>
#include <string>

namespace pe_test {

inline void Put16(std::string* image, size_t at, uint16_t value) {
  (*image)[at] = static_cast<char>(value & 0xFF);
  (*image)[at + 1] = static_cast<char>(value >> 8);
}

inline void Put32(std::string* image, size_t at, uint32_t value) {
  Put16(image, at, static_cast<uint16_t>(value & 0xFFFF));
  Put16(image, at + 2, static_cast<uint16_t>(value >> 16));
}

// Offsets of the parts of the image made by MakeImage.
constexpr size_t kPeHeader = 0x40;
constexpr size_t kCoffHeader = kPeHeader + 4;
constexpr size_t kOptionalHeader = kCoffHeader + 20;
constexpr size_t kResourceData = 0x200;  // the .rsrc section's raw data
constexpr uint32_t kResourceRva = 0x1000;
constexpr size_t kVersionBlock = kResourceData + 0x58;

// An image of the machine type: PE32 for x86, PE32+ for x64 (pe32Plus), with
// a version resource of file version a.b.c.d (product version d.c.b.a) when
// withVersion is set.
inline std::string MakeImage(uint16_t machine, bool pe32Plus, bool withVersion,
                             const uint16_t (&version)[4] = {1, 2, 3, 4}) {
  std::string image(0x400, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(&image, 0x3C, kPeHeader);
  Put32(&image, kPeHeader, 0x00004550);
  Put16(&image, kCoffHeader, machine);
  Put16(&image, kCoffHeader + 2, 1);  // one section
  const size_t fixedPart = pe32Plus ? 112 : 96;
  const size_t optionalSize = fixedPart + 16 * 8;
  Put16(&image, kCoffHeader + 16, static_cast<uint16_t>(optionalSize));
  Put16(&image, kOptionalHeader, pe32Plus ? 0x20B : 0x10B);
  Put32(&image, kOptionalHeader + fixedPart - 4, 16);  // data directories
  const size_t section = kOptionalHeader + optionalSize;
  image.replace(section, 5, ".rsrc");
  Put32(&image, section + 8, 0x200);  // virtual size
  Put32(&image, section + 12, kResourceRva);
  Put32(&image, section + 16, 0x200);  // raw size
  Put32(&image, section + 20, kResourceData);
  if (!withVersion) return image;

  Put32(&image, kOptionalHeader + fixedPart + 2 * 8, kResourceRva);
  Put32(&image, kOptionalHeader + fixedPart + 2 * 8 + 4, 0x100);
  const size_t r = kResourceData;
  Put16(&image, r + 14, 1);   // type directory: one id entry
  Put32(&image, r + 16, 16);  // RT_VERSION
  Put32(&image, r + 20, 0x80000000u | 0x18);
  Put16(&image, r + 0x18 + 14, 1);  // name directory
  Put32(&image, r + 0x18 + 16, 1);
  Put32(&image, r + 0x18 + 20, 0x80000000u | 0x30);
  Put16(&image, r + 0x30 + 14, 1);  // language directory
  Put32(&image, r + 0x30 + 16, 0x409);
  Put32(&image, r + 0x30 + 20, 0x48);
  Put32(&image, r + 0x48, kResourceRva + 0x58);  // data entry
  Put32(&image, r + 0x48 + 4, 92);
  const size_t v = kVersionBlock;
  Put16(&image, v, 92);
  Put16(&image, v + 2, 52);
  const char key[] = "VS_VERSION_INFO";
  for (size_t i = 0; i < sizeof key; ++i)
    Put16(&image, v + 6 + 2 * i, static_cast<uint8_t>(key[i]));
  Put32(&image, v + 40, 0xFEEF04BD);
  Put32(&image, v + 44, 0x00010000);
  Put32(&image, v + 48, (uint32_t{version[0]} << 16) | version[1]);
  Put32(&image, v + 52, (uint32_t{version[2]} << 16) | version[3]);
  Put32(&image, v + 56, (uint32_t{version[3]} << 16) | version[2]);
  Put32(&image, v + 60, (uint32_t{version[1]} << 16) | version[0]);
  return image;
}

}  // namespace pe_test
