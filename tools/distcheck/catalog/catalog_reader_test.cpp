// The catalog reader on catalogs of the project's writer: what it reads back,
// who signed, and any truncation refused.
#include "tools/distcheck/catalog/catalog_reader.h"

#include <gtest/gtest.h>

#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/testing/catalog_test_support.h"
#include "tools/distcheck/testing/pe_test_image.h"

namespace {

using catalog_test::MakeCatalog;
using catalog_test::Signer;

TEST(CatalogReaderTest, ReadsBackWhatTheWriterWrote) {
  const std::string image = pe_test::MakeImage(kMachineAmd64, true, true);
  for (int version : {1, 2}) {
    const HashAlgorithm algorithm = version == 1 ? HashAlgorithm::kSha1 : HashAlgorithm::kSha256;
    const CatalogContent catalog = ReadCatalog(MakeCatalog(
        {{"zavcir.inf", "[Version]\r\n"}, {"zavcir.sys", image}, {"Caf\xE9.txt", "text"}},
        catalog_test::VendorSigner(), version, "2:6.1,2:10.0"));
    ASSERT_TRUE(catalog.readable) << catalog.problem;
    EXPECT_EQ(version, catalog.version);
    EXPECT_EQ(algorithm, catalog.algorithm);
    EXPECT_EQ(CatalogSignature::kValid, catalog.signature.status) << catalog.signature.problem;
    ASSERT_EQ(3u, catalog.members.size());
    for (const CatalogMember& member : catalog.members) {
      const std::string content = member.file == "zavcir.sys"   ? image
                                  : member.file == "zavcir.inf" ? "[Version]\r\n"
                                                                : "text";
      EXPECT_TRUE(member.hasHash);
      EXPECT_EQ(algorithm, member.algorithm);
      EXPECT_EQ(HashPackageFile(algorithm, content).digest, member.hash) << member.file;
      EXPECT_EQ(member.file == "zavcir.sys", member.image) << member.file;
      EXPECT_EQ("2:6.1,2:10.0", member.osAttr);
    }
    EXPECT_EQ(1, std::count_if(catalog.members.begin(), catalog.members.end(),
                               [](const CatalogMember& m) { return m.file == "Caf\xE9.txt"; }));
    EXPECT_EQ("2:6.1,2:10.0", CatalogAttributeValue(catalog, "osattr"));
  }
}

TEST(CatalogReaderTest, TellsTheSignersApart) {
  const Signer whql = catalog_test::MicrosoftSigner("codeSigning,1.3.6.1.4.1.311.10.3.5");
  const Signer attested =
      catalog_test::MicrosoftSigner("codeSigning,1.3.6.1.4.1.311.10.3.5,1.3.6.1.4.1.311.10.3.5.1");
  const Signer plain = catalog_test::MicrosoftSigner("codeSigning");
  const Signer imitation = catalog_test::MakeSigner(
      "Microsoft Corporation", "Microsoft Windows Hardware Compatibility Publisher", nullptr,
      "codeSigning,1.3.6.1.4.1.311.10.3.5");
  struct Case {
    const char* name;
    const Signer& signer;
    SignerKind kind;
  } cases[] = {
      {"a vendor's certificate", catalog_test::VendorSigner(), SignerKind::kVendor},
      {"a self-signed certificate", catalog_test::SelfSigned(), SignerKind::kTest},
      {"Microsoft, WHQL", whql, SignerKind::kMicrosoftWhql},
      {"Microsoft, attestation", attested, SignerKind::kMicrosoftAttestation},
      {"Microsoft's name without its usages", plain, SignerKind::kVendor},
      {"Microsoft's name on a self-signed certificate", imitation, SignerKind::kTest},
  };
  for (const Case& c : cases) {
    const CatalogContent catalog = ReadCatalog(MakeCatalog({{"a.inf", "a"}}, c.signer));
    EXPECT_EQ(CatalogSignature::kValid, catalog.signature.status) << c.name;
    EXPECT_EQ(c.kind, catalog.signature.kind) << c.name;
  }
}

TEST(CatalogReaderTest, SaysWhyItIsNoCatalog) {
  const std::string catalog = MakeCatalog({{"a.inf", "a"}});
  struct Case {
    const char* name;
    std::string bytes;
    const char* problem;
  } cases[] = {
      {"empty", "", "the file is empty"},
      {"text", "Placeholder", "it is not a binary PKCS #7 file"},
      {"cut short", catalog.substr(0, 100), "it is cut short: it declares "},
      {"a SEQUENCE of junk", "\x30\x03\x02\x01\x01", "it is not a PKCS #7 structure"},
      {"SignedData without its content",
       std::string("\x30\x0B\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 13),
       "it is PKCS #7 but not SignedData"},
      {"a certificate", std::string("\x30\x82\x01\x00", 4) + std::string(0x100, '\0'),
       "it is not a PKCS #7 structure"},
  };
  for (const Case& c : cases) {
    const CatalogContent read = ReadCatalog(c.bytes);
    EXPECT_FALSE(read.readable) << c.name;
    EXPECT_EQ(0u, read.problem.find(c.problem)) << c.name << ": " << read.problem;
  }
}

// Every prefix of a catalog is refused, and read without a fault (the
// sanitizers see any read past the end of each copy).
TEST(CatalogReaderTest, EveryTruncationIsRefused) {
  const std::string catalog = MakeCatalog({{"a.inf", "a"}, {"b.sys", "b"}});
  for (size_t n = 0; n < catalog.size(); ++n) {
    EXPECT_FALSE(ReadCatalog(catalog.substr(0, n)).readable) << n;
  }
  EXPECT_TRUE(ReadCatalog(catalog).readable);
}

}  // namespace
