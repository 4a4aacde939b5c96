// The checker's catalog findings on distribution folders whose catalogs the
// project's writer made, changed in the ways a release meets them.
#include <gtest/gtest.h>

#include <optional>

#include "tools/distcheck/catalog/catalog_reader.h"
#include "tools/distcheck/catalog/file_hash.h"
#include "tools/distcheck/checks/distribution_check.h"
#include "tools/distcheck/testing/test_distribution.h"

namespace {

using namespace dist_test;
using catalog_test::Signer;

// "<E|W> <tag> <code>" for each tag of the 32-bit (x86) and/or 64-bit (x64) editions.
std::set<std::string> On(const char* severity, const std::string& code, bool x86, bool x64,
                         std::vector<std::string> only = {}) {
  std::set<std::string> out;
  for (const char* tag : {"WinXP32", "Vista32", "Win7_32", "WinXP64", "Vista64", "Win7_64"}) {
    const bool is64 = std::string(tag).find("64") != std::string::npos;
    const bool listed = only.empty() || std::find(only.begin(), only.end(), tag) != only.end();
    if ((is64 ? x64 : x86) && listed) out.insert(std::string(severity) + " " + tag + " " + code);
  }
  return out;
}

std::set<std::string> Both(std::set<std::string> a, const std::set<std::string>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

// The package's catalog with the byte at the first place of text changed.
std::string ChangedAt(std::string bytes, const std::string& text) {
  const size_t at = bytes.find(text);
  bytes[at] = static_cast<char>(bytes[at] ^ 1);
  return bytes;
}

const std::vector<CatalogSource> kPackage = {{"zavcir.inf", kInf}, {"zavcir.sys", "driver"}};

std::string WithLfLines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

TEST(CatalogCheckTest, DamagedAndChangedPackages) {
  const std::string catalog = catalog_test::MakeCatalog(kPackage);
  const std::string sysHash = HashPackageFile(HashAlgorithm::kSha1, "driver").digest;
  struct Case {
    const char* name;
    std::optional<std::string> x64Catalog;  // none: the package's own
    std::vector<CatalogSource> x64Files;    // written over the package's
    std::set<std::string> codes;
  } cases[] = {
      {"the sample's text placeholder",
       "Placeholder for the catalog.\r\n",
       {},
       On("E", "catalog-unreadable", false, true)},
      {"an empty file", "", {}, On("E", "catalog-unreadable", false, true)},
      {"cut off",
       catalog.substr(0, catalog.size() / 2),
       {},
       On("E", "catalog-unreadable", false, true)},
      {"one byte of the INF changed",
       std::nullopt,
       {{"zavcir.inf", Replaced(kInf, "3.0.0.2", "3.0.0.3")}},
       Both(On("E", "catalog-file-not-covered", false, true), {"W - driver-version-mismatch"})},
      {"the driver changed",
       std::nullopt,
       {{"zavcir.sys", "drivex"}},
       On("E", "catalog-file-not-covered", false, true)},
      {"the INF stored with LF line ends",
       std::nullopt,
       {{"zavcir.inf", WithLfLines(kInf)}},
       On("E", "catalog-line-endings", false, true)},
      {"signed with LF line ends, shipped with CR LF",
       catalog_test::MakeCatalog({{"zavcir.inf", WithLfLines(kInf)}, {"zavcir.sys", "driver"}}),
       {},
       On("E", "catalog-line-endings", false, true)},
      {"a UTF-16 INF stored with LF line ends",
       catalog_test::MakeCatalog({{"zavcir.inf", Utf16(kInf)}, {"zavcir.sys", "driver"}}),
       {{"zavcir.inf", Utf16(WithLfLines(kInf))}},
       On("E", "catalog-line-endings", false, true)},
      {"a member's hash changed",
       ChangedAt(catalog, sysHash),
       {},
       Both(On("E", "catalog-file-not-covered", false, true),
            On("E", "catalog-signature-invalid", false, true))},
      {"another package's catalog",
       catalog_test::MakeCatalog({{"other.inf", "[Version]\r\n"}, {"other.sys", "other"}}),
       {},
       On("E", "catalog-file-not-covered", false, true)},
      {"not signed",
       catalog_test::WithoutSigners(catalog),
       {},
       On("E", "catalog-unsigned", false, true)},
      {"a damaged signature",
       catalog_test::WithSignatureDamaged(catalog),
       {},
       On("E", "catalog-signature-invalid", false, true)},
      {"a signed digest of another type",
       catalog_test::WithDigestOfAnotherType(catalog),
       {},
       On("E", "catalog-signature-invalid", false, true)},
      {"without the signer's certificate",
       catalog_test::WithoutCertificates(catalog),
       {},
       On("E", "catalog-signature-invalid", false, true)},
      {"signed with a test certificate",
       catalog_test::MakeCatalog(kPackage, catalog_test::SelfSigned()),
       {},
       On("W", "catalog-test-signed", false, true)},
      {"a version 2 (SHA-256) catalog",
       catalog_test::MakeCatalog(kPackage, catalog_test::VendorSigner(), 2),
       {},
       Both(On("E", "catalog-sha256-old-windows", false, true, {"WinXP64", "Vista64"}),
            On("W", "catalog-sha256-old-windows", false, true, {"Win7_64"}))},
      {"for Windows 10 only",
       catalog_test::MakeCatalog(kPackage, catalog_test::VendorSigner(), 1, "2:10.0"),
       {},
       On("E", "catalog-os-not-covered", false, true)},
      {"for Windows XP to 7 only",
       catalog_test::MakeCatalog(kPackage, catalog_test::VendorSigner(), 1,
                                 "2:5.1,2:5.2,2:6.0,2:6.1"),
       {},
       On("W", "catalog-os-later-not-covered", false, true, {"Win7_64"})},
      {"for Windows XP 32-bit only",
       catalog_test::MakeCatalog(kPackage, catalog_test::VendorSigner(), 1, "2:5.1"),
       {},
       On("E", "catalog-os-not-covered", false, true)},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    if (c.x64Catalog) dist.Write("x64/zavcir.cat", *c.x64Catalog);
    for (const CatalogSource& file : c.x64Files) dist.Write("x64/" + file.name, file.content);
    EXPECT_EQ(c.codes, Codes(CheckDistribution(dist.Root()))) << c.name;
  }
}

// Where the catalog's versions leave some 32-bit tags out.
TEST(CatalogCheckTest, EachTagNeedsItsWindowsVersion) {
  DistFolder dist;
  dist.MakeClean();
  dist.Write("x86/zavcir.cat",
             catalog_test::MakeCatalog(kPackage, catalog_test::VendorSigner(), 1, "2:5.1, 2:6.0"));
  EXPECT_EQ((std::set<std::string>{"E Win7_32 catalog-os-not-covered"}),
            Codes(CheckDistribution(dist.Root())));
}

// A package whose INF installs a kernel-mode service, signed by each kind of signer.
TEST(CatalogCheckTest, KernelModeDriversOnTheWindows7Tags) {
  const std::string services =
      "[Install.NT]\r\nCopyFiles = Files\r\n[Install.NT.Services]\r\n"
      "AddService = zavcir, 0x00000002, Service\r\n[Service]\r\nServiceType = %type%\r\n"
      "ServiceBinary = %12%\\%binary%\r\n";
  const Signer whql = catalog_test::MicrosoftSigner("codeSigning,1.3.6.1.4.1.311.10.3.5");
  const Signer attested = catalog_test::MicrosoftSigner("codeSigning,1.3.6.1.4.1.311.10.3.5.1");
  struct Case {
    const char* name;
    const Signer& signer;
    std::string type, binary;
    std::set<std::string> codes;
  } cases[] = {
      {"a vendor's signature", catalog_test::VendorSigner(), "1", "zavcir.sys",
       On("W", "catalog-not-microsoft-signed", true, true, {"Win7_32", "Win7_64"})},
      {"a file system driver", catalog_test::VendorSigner(), "0x00000002", "ZAVCIR.SYS",
       On("W", "catalog-not-microsoft-signed", true, true, {"Win7_32", "Win7_64"})},
      {"a test signature", catalog_test::SelfSigned(), "1", "zavcir.sys",
       Both(On("W", "catalog-not-microsoft-signed", true, true, {"Win7_32", "Win7_64"}),
            On("W", "catalog-test-signed", true, true))},
      {"WHQL", whql, "1", "zavcir.sys", {}},
      {"attestation", attested, "1", "zavcir.sys", {}},
      {"a driver of Windows' own", catalog_test::VendorSigner(), "1", "winusb.sys", {}},
      {"a user-mode service", catalog_test::VendorSigner(), "16", "zavcir.sys", {}},
  };
  // A driver whose file version is the INF's version, so that only the catalog speaks.
  const std::string driver = pe_test::MakeImage(kMachineAmd64, true, true, {3, 0, 0, 2});
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    const std::string inf =
        Replaced(Replaced(kInf + services, "%type%", c.type), "%binary%", c.binary);
    for (const std::string folder : {"x86", "x64"}) {
      dist.Write(folder + "/zavcir.inf", inf);
      dist.Write(folder + "/zavcir.sys", driver);
      dist.Write(
          folder + "/zavcir.cat",
          catalog_test::MakeCatalog({{"zavcir.inf", inf}, {"zavcir.sys", driver}}, c.signer));
    }
    EXPECT_EQ(c.codes, Codes(CheckDistribution(dist.Root()))) << c.name;
  }
}

TEST(CatalogCheckTest, TheReportNamesSignerVersionAndEachFilesStatus) {
  DistFolder dist;
  dist.MakeClean();
  const std::string inf = Replaced(kInf, "[SourceDisksFiles]\r\nzavcir.sys = 1\r\n",
                                   "[SourceDisksNames.amd64]\r\n2 = %Disk%, zavcir.cab\r\n"
                                   "[SourceDisksFiles]\r\nzavcir.sys = 1\r\nzavcir.dll = 1\r\n"
                                   "zavcir.bin = 1\r\n[SourceDisksFiles.amd64]\r\nfw.bin = 2\r\n");
  dist.Write("x64/zavcir.inf", inf);
  dist.Write("x64/zavcir.dll", "library");
  dist.Write("x64/zavcir.cab", "cabinet");
  dist.Write("x64/zavcir.cat",
             catalog_test::MakeCatalog(
                 {{"zavcir.inf", inf}, {"zavcir.sys", "driver"}, {"zavcir.dll", "older library"}}));
  const DistReport report = CheckDistribution(dist.Root());
  const CatalogRow& row = report.rows[5].catalog;  // Win7_64
  EXPECT_TRUE(row.checked && row.readable);
  EXPECT_EQ(1, row.version);
  EXPECT_EQ("SHA-1", row.hashAlgorithm);
  EXPECT_EQ("valid", row.signature.status);
  EXPECT_EQ("vendor", row.signature.kind);
  EXPECT_EQ("O = ZAV, CN = ZAV", row.signature.subject);
  EXPECT_EQ("O = ZAV test, CN = ZAV test code signing CA", row.signature.issuer);
  EXPECT_EQ(CatalogInput().osAttr, row.osAttr);
  std::vector<std::string> statuses;
  for (const CatalogFileRow& file : row.files) statuses.push_back(file.name + " " + file.status);
  EXPECT_EQ(
      (std::vector<std::string>{"zavcir.inf covered", "fw.bin in-cabinet", "zavcir.sys covered",
                                "zavcir.dll changed", "zavcir.bin missing"}),
      statuses)
      << "the INF first, then the files in the INF's order (the decorated section first)";
  EXPECT_EQ(HexOf(HashOf(HashAlgorithm::kSha1, "driver")), row.files[2].hash);

  std::string all;
  for (const Finding& f : report.findings) all += f.message + "\n";
  EXPECT_NE(std::string::npos,
            all.find("Win7_64: 'zavcir.dll' changed after the catalog was made: the catalog "
                     "x64\\zavcir.cat's member 'zavcir.dll' holds the SHA-1 hash "));
}

TEST(CatalogCheckTest, MessagesSayWhatToDo) {
  DistFolder dist;
  dist.MakeClean();
  dist.Write("x64/zavcir.inf", WithLfLines(kInf));
  dist.Write("x86/zavcir.cat", "catalog");
  std::string all;
  for (const Finding& f : CheckDistribution(dist.Root()).findings) all += f.message + "\n";
  EXPECT_NE(std::string::npos,
            all.find("Win7_64: 'zavcir.inf': the catalog x64\\zavcir.cat holds the hash of this "
                     "text with CR LF line ends, the file has LF ones: its line ends were changed "
                     "after signing"));
  EXPECT_NE(std::string::npos, all.find("store them as binary in version control"));
  EXPECT_NE(std::string::npos,
            all.find("WinXP32: x86\\zavcir.cat is not a catalog: it is not a binary PKCS #7 "
                     "file"));
}

}  // namespace
