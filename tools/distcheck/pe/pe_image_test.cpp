#include "tools/distcheck/pe/pe_image.h"

#include <gtest/gtest.h>

#include "tools/distcheck/testing/pe_test_image.h"

namespace {

bool Parse(const std::string& bytes, PeImage* image) {
  return PeImage::Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

TEST(PeImageTest, ReadsMachineAndVersion) {
  struct Case {
    uint16_t machine;
    bool pe32Plus;
    const char* name;
  } cases[] = {{kMachineI386, false, "x86"}, {kMachineAmd64, true, "x64"}, {0xAA64, true, "ARM64"}};
  for (const Case& c : cases) {
    PeImage image;
    ASSERT_TRUE(Parse(pe_test::MakeImage(c.machine, c.pe32Plus, true, {3, 0, 0, 2}), &image));
    EXPECT_EQ(c.machine, image.GetMachine());
    EXPECT_EQ(c.pe32Plus, image.IsPe32Plus());
    EXPECT_EQ(c.name, MachineName(image.GetMachine()));
    EXPECT_TRUE(image.HasVersionRecord());
    EXPECT_EQ("3.0.0.2", image.GetFileVersion());
    EXPECT_EQ("2.0.0.3", image.GetProductVersion());
  }
  EXPECT_EQ("0x1234", MachineName(0x1234));
}

TEST(PeImageTest, ImageWithoutVersionResource) {
  PeImage image;
  ASSERT_TRUE(Parse(pe_test::MakeImage(kMachineI386, false, false), &image));
  EXPECT_FALSE(image.HasVersionRecord());
  EXPECT_EQ("", image.GetFileVersion());
}

TEST(PeImageTest, NotAnImage) {
  std::string image = pe_test::MakeImage(kMachineI386, false, true);
  struct Case {
    const char* name;
    size_t at;
    char value;
  } cases[] = {{"no MZ", 0, 'X'},
               {"no PE signature", pe_test::kPeHeader + 1, 'X'},
               {"unknown optional header", pe_test::kOptionalHeader, 0x07}};
  for (const Case& c : cases) {
    std::string broken = image;
    broken[c.at] = c.value;
    PeImage untouched;
    EXPECT_FALSE(Parse(broken, &untouched)) << c.name;
  }
  std::string farAway = image;
  pe_test::Put32(&farAway, 0x3C, 0xFFFFFFF0u);
  PeImage pe;
  EXPECT_FALSE(Parse(farAway, &pe));
  EXPECT_FALSE(Parse("MZ", &pe));
  EXPECT_FALSE(PeImage::Parse(nullptr, 0, &pe));
}

// A damaged version resource leaves a valid image without a version record.
TEST(PeImageTest, DamagedVersionResource) {
  const std::string image = pe_test::MakeImage(kMachineI386, false, true);
  const size_t r = pe_test::kResourceData;
  const size_t v = pe_test::kVersionBlock;
  struct Case {
    const char* name;
    size_t at;
    uint32_t value;
  } cases[] = {
      {"no RT_VERSION entry", r + 16, 3},
      {"type entry points at data", r + 20, 0x18},
      {"name directory out of range", r + 20, 0x80000000u | 0x7FFFFFF0u},
      {"language entry is a directory", r + 0x30 + 20, 0x80000000u | 0x48},
      {"version block outside the section", r + 0x48, 0x7FFFFFF0u},
      {"version block longer than the section", r + 0x48 + 4, 0x10000},
      {"wrong key", v + 6, 'X'},
      {"no fixed block signature", v + 40, 0},
      {"length too short for the fixed block", v, 60},
      {"resource directory beyond the file", pe_test::kOptionalHeader + 96 + 16, 0x0FFFFFFF},
  };
  for (const Case& c : cases) {
    std::string broken = image;
    pe_test::Put32(&broken, c.at, c.value);
    PeImage pe;
    ASSERT_TRUE(Parse(broken, &pe)) << c.name;
    EXPECT_FALSE(pe.HasVersionRecord()) << c.name;
  }
}

TEST(PeImageTest, EveryTruncationIsSafe) {
  const std::string image = pe_test::MakeImage(kMachineAmd64, true, true);
  for (size_t n = 0; n <= image.size(); ++n) {
    // Each prefix is copied so that the sanitizers see reads past its end.
    const std::string prefix = image.substr(0, n);
    PeImage pe;
    if (Parse(prefix, &pe) && pe.HasVersionRecord()) {
      EXPECT_GE(n, pe_test::kVersionBlock + 92) << n;
    }
  }
}

}  // namespace
