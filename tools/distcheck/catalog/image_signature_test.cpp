#include "tools/distcheck/catalog/image_signature.h"

#include <gtest/gtest.h>

#include "tools/distcheck/testing/pe_test_image.h"

namespace {

constexpr size_t kSecurityEntry = pe_test::kOptionalHeader + 96 + 4 * 8;  // PE32: entry 4

// An x86 image with a certificate table of these bytes appended (none when
// table is empty), its directory entry naming declared bytes (0: the table's size).
std::string ImageWithTable(const std::string& table, uint32_t declared = 0) {
  std::string image = pe_test::MakeImage(0x014C, false, false);
  if (table.empty()) return image;
  pe_test::Put32(&image, kSecurityEntry, static_cast<uint32_t>(image.size()));
  pe_test::Put32(&image, kSecurityEntry + 4,
                 declared ? declared : static_cast<uint32_t>(table.size()));
  return image + table;
}

// A WIN_CERTIFICATE of that revision and type around payload; length 0: its own.
std::string Certificate(uint16_t revision, uint16_t type, const std::string& payload,
                        uint32_t length = 0) {
  std::string header(8, '\0');
  pe_test::Put32(&header, 0, length ? length : static_cast<uint32_t>(8 + payload.size()));
  pe_test::Put16(&header, 4, revision);
  pe_test::Put16(&header, 6, type);
  return header + payload;
}

// What is not a signature of the image is told apart from no signature at all.
TEST(ImageSignatureTest, WhatIsNoSignatureOfTheImage) {
  const std::string notDer = "not DER at all";
  struct Case {
    const char* name;
    std::string image;
    CatalogSignature::Status status;
    const char* problem;
  } cases[] = {
      {"no PE image", "MZ only", CatalogSignature::kUnsigned, ""},
      {"no certificate table", ImageWithTable(""), CatalogSignature::kUnsigned, ""},
      {"a table beyond the file", ImageWithTable(Certificate(0x200, 2, notDer), 4096),
       CatalogSignature::kInvalid, "its certificate table does not lie within the file"},
      {"a length shorter than the header", ImageWithTable(Certificate(0x200, 2, notDer, 4)),
       CatalogSignature::kInvalid, "its certificate table is damaged"},
      {"a length beyond the table", ImageWithTable(Certificate(0x200, 2, notDer, 400)),
       CatalogSignature::kInvalid, "its certificate table is damaged"},
      {"revision 1.0", ImageWithTable(Certificate(0x100, 2, notDer)), CatalogSignature::kInvalid,
       "its certificate table holds no Authenticode signature"},
      {"an X.509 certificate", ImageWithTable(Certificate(0x200, 1, notDer)),
       CatalogSignature::kInvalid, "its certificate table holds no Authenticode signature"},
      {"no PKCS #7", ImageWithTable(Certificate(0x200, 2, notDer)), CatalogSignature::kInvalid,
       "its signature names no image hash of a known algorithm"},
  };
  for (const Case& c : cases) {
    const CatalogSignature signature = ReadImageSignature(c.image);
    EXPECT_EQ(c.status, signature.status) << c.name;
    EXPECT_EQ(c.problem, signature.problem) << c.name;
    EXPECT_EQ("", signature.subject) << c.name;
  }
}

}  // namespace
