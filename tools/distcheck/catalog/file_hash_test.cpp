// The hash Windows looks a package file up by: the Authenticode image hash of
// a PE image (against osslsigncode in tests/release/test_catalogs.py), the
// whole file's hash for anything else.
#include "tools/distcheck/catalog/file_hash.h"

#include <gtest/gtest.h>

#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/testing/pe_test_image.h"

namespace {

constexpr size_t kChecksum = pe_test::kOptionalHeader + 64;
constexpr size_t kSecurityEntry = pe_test::kOptionalHeader + 96 + 4 * 8;  // PE32

std::string Hash(const std::string& file) {
  return HashPackageFile(HashAlgorithm::kSha256, file).digest;
}

// file signed as a signing tool signs it: padded to 8 bytes, then a
// certificate table at the end, named by the security directory entry.
std::string Signed(std::string file) {
  file.resize((file.size() + 7) / 8 * 8, '\0');
  pe_test::Put32(&file, kSecurityEntry, static_cast<uint32_t>(file.size()));
  pe_test::Put32(&file, kSecurityEntry + 4, 16);
  return file + std::string(16, '\x5A');
}

TEST(FileHashTest, ImageHashLeavesOutWhatSigningChanges) {
  const std::string image = pe_test::MakeImage(kMachineI386, false, true);
  const std::string hash = Hash(image);
  EXPECT_EQ(FileHash::kImage, HashPackageFile(HashAlgorithm::kSha1, image).kind);
  EXPECT_NE(HashOf(HashAlgorithm::kSha256, image), hash);

  std::string checksum = image;
  pe_test::Put32(&checksum, kChecksum, 0x12345678);
  EXPECT_EQ(hash, Hash(checksum)) << "the checksum field is left out";
  EXPECT_EQ(hash, Hash(Signed(image))) << "the certificate table and its entry are left out";
  std::string changed = image;
  changed[pe_test::kResourceData + 0x1F0] ^= 1;
  EXPECT_NE(hash, Hash(changed));
  EXPECT_NE(hash, Hash(Signed(changed)));

  // An image whose size is no multiple of 8 hashes as if padded, as signing pads it.
  const std::string odd = image + "abc";
  EXPECT_EQ(Hash(Signed(odd)), Hash(odd));
  EXPECT_NE(Hash(odd + std::string(5, '\0')), Hash(odd + std::string(5, 'x')));
}

TEST(FileHashTest, RangesOfAnImage) {
  const std::string image = pe_test::MakeImage(kMachineAmd64, true, false) + "12345";
  PeImage pe;
  ASSERT_TRUE(PeImage::Parse(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &pe));
  std::vector<ByteRange> ranges;
  size_t padding = 0;
  ASSERT_TRUE(pe.GetImageHashRanges(image.size(), &ranges, &padding));
  const size_t entry = pe_test::kOptionalHeader + 112 + 4 * 8;  // PE32+
  ASSERT_EQ(3u, ranges.size());
  EXPECT_EQ(kChecksum, ranges[0].end);
  EXPECT_EQ(kChecksum + 4, ranges[1].begin);
  EXPECT_EQ(entry, ranges[1].end);
  EXPECT_EQ(entry + 8, ranges[2].begin);
  EXPECT_EQ(image.size(), ranges[2].end);
  EXPECT_EQ(3u, padding);
}

TEST(FileHashTest, DamagedCertificateTables) {
  const std::string image = pe_test::MakeImage(kMachineI386, false, false);
  struct Case {
    const char* name;
    uint32_t offset, size;
  } cases[] = {{"beyond the file", 0x800, 16},
               {"running past the end", 0x3F8, 16},
               {"inside the headers", 0x40, 8}};
  for (const Case& c : cases) {
    std::string broken = image;
    pe_test::Put32(&broken, kSecurityEntry, c.offset);
    pe_test::Put32(&broken, kSecurityEntry + 4, c.size);
    EXPECT_EQ(FileHash::kDamagedImage, HashPackageFile(HashAlgorithm::kSha1, broken).kind)
        << c.name;
  }
  // Every truncation either hashes or is damaged, without reading past its end.
  for (size_t n = 0; n <= image.size(); ++n)
    HashPackageFile(HashAlgorithm::kSha1, image.substr(0, n));
}

TEST(FileHashTest, OtherFilesAreHashedWhole) {
  for (const std::string content : {"", "MZ", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"}) {
    const FileHash hash = HashPackageFile(HashAlgorithm::kSha1, content);
    EXPECT_EQ(FileHash::kWholeFile, hash.kind);
    EXPECT_EQ(HashOf(HashAlgorithm::kSha1, content), hash.digest);
  }
  EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", HexOf(HashOf(HashAlgorithm::kSha1, "abc")));
}

}  // namespace
