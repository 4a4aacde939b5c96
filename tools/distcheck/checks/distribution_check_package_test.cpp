// CheckDistribution on the package of each tag: its files, catalog and models
// as the INF names them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tools/distcheck/checks/distribution_check.h"
#include "tools/distcheck/testing/test_distribution.h"

namespace {

using namespace dist_test;

// "E <tag> <code>" for each tag of the 32-bit (x86) or 64-bit (x64) editions.
std::set<std::string> ErrorsOf(const std::string& code, bool x86, bool x64) {
  std::set<std::string> out;
  for (const char* tag : {"WinXP32", "Vista32", "Win7_32"}) {
    if (x86) out.insert(std::string("E ") + tag + " " + code);
  }
  for (const char* tag : {"WinXP64", "Vista64", "Win7_64"}) {
    if (x64) out.insert(std::string("E ") + tag + " " + code);
  }
  return out;
}

// The package's own files as the INF names them, with the same INF and files
// in the x86 and the x64 folder: each case gives the INF's sections other than
// [Version]'s first lines and [Strings], and the package files that exist.
TEST(DistCheckerTest, PackageFilesAndModelsFromTheInf) {
  const std::string files = kFiles;
  const std::string models = kModels;
  const std::string none;
  struct Case {
    const char* name;
    std::string sections;  // after kVersion, before kStrings
    std::vector<std::string> present;
    std::set<std::string> codes;
  } cases[] = {
      {"the sample layout", kInf.substr(sizeof kVersion - 1), {"zavcir.sys", "zavcir.cat"}, {}},
      {"source file missing", models + files, {}, ErrorsOf("inf-source-file-missing", true, true)},
      {"a decorated files section is read on its architecture only",
       models + files + "[SourceDisksFiles.amd64]\nzavcir64.sys = 1\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", false, true)},
      {"a decorated entry overrides the plain one",
       models + files + "[sourcedisksfiles.X86]\nZAVCIR.SYS = 1, x86\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", true, false)},
      {"the disk's path and the file's subdir",
       models +
           "[SourceDisksNames]\n1 = %Disk%,,,\\drivers\n[SourceDisksFiles]\nzavcir.sys = 1,sub\n",
       {"drivers/sub/zavcir.sys"},
       {}},
      {"a file beside the INF is not in the disk's folder",
       models + "[SourceDisksNames]\n1 = %Disk%,,,drivers\n[SourceDisksFiles]\nzavcir.sys = 1\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", true, true)},
      {"a decorated disk section serves its architecture",
       models + files + "[SourceDisksNames.amd64]\n01 = %Disk%,,,x64\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", false, true)},
      {"a file name from [Strings]",
       models + "[SourceDisksNames]\n1 = %Disk%\n[SourceDisksFiles]\n%Sys% = 1\n[Strings]\nSys = "
                "zavcir2.sys\n",
       {"zavcir2.sys"},
       {}},
      {"a missing file named through [Strings]",
       models + "[SourceDisksNames]\n1 = %Disk%\n[SourceDisksFiles]\n%Sys% = 1\n[Strings]\nSys = "
                "zavcir2.sys\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", true, true)},
      {"a disk no section describes",
       models + "[SourceDisksNames]\n1 = %Disk%\n[SourceDisksFiles]\nzavcir.sys = 2\n",
       {"zavcir.sys"},
       ErrorsOf("inf-source-file-missing", true, true)},
      {"a file in the disk's cabinet",
       models + "[SourceDisksNames]\n1 = %Disk%, zavcir.CAB\n[SourceDisksFiles]\nzavcir.sys = 1\n",
       {"zavcir.cab"},
       {}},
      {"the catalog each architecture uses",
       models + "[Version]\nCatalogFile = zavcir.cat\nCatalogFile.NTamd64 = zavcir64.cat\n",
       {"zavcir.cat"},
       ErrorsOf("inf-catalog-missing", false, true)},
      {"CatalogFile.NT before the plain one, CatalogFile.NTx86 before both",
       models +
           "[Version]\nCatalogFile = a.cat\nCatalogFile.NT = nt.cat\ncatalogfile.ntx86 = x86.cat\n",
       {"a.cat", "x86.cat"},
       ErrorsOf("inf-catalog-missing", false, true)},
      {"undecorated models only",
       "[Manufacturer]\n%Mfg% = Models\n[Models]\n%Dev% = I, H\n",
       {},
       ErrorsOf("inf-no-models", false, true)},
      {"NTamd64 only and no undecorated section",
       "[Manufacturer]\n%Mfg% = Models, NTamd64\n[Models.NTamd64]\n%Dev% = I, H\n",
       {},
       ErrorsOf("inf-no-models", true, false)},
      {"NTamd64 only beside an undecorated section",
       "[Manufacturer]\nZAV = Models, ntAMD64\n[Models.NTamd64]\n%Dev% = I, H\n[Models]\nD = I, "
       "H\n",
       {},
       {}},
      {"NT serves x86",
       "[Manufacturer]\n%Mfg% = Models, NT, NTamd64\n[Models.NT]\nD = I, H\n[Models.NTamd64]\nD = "
       "I, H\n",
       {},
       {}},
      {"a decorated section that is empty",
       "[Manufacturer]\n%Mfg% = Models, NTx86, NTamd64\n[Models.NTx86]\nD = I, "
       "H\n[Models.NTamd64]\n",
       {},
       ErrorsOf("inf-no-models", false, true)},
      {"a line per architecture",
       "[Manufacturer]\n%Mfg% = Std,NTamd64\n%Mfg% = Std,NTarm64\n%Mfg% = Std,NTx86\n"
       "[Std.NTamd64]\nD = I, H\n[Std.NTx86]\nD = I, H\n",
       {},
       {}},
      {"x64 and arm64 lines serve no x86 edition",
       "[Manufacturer]\n%Mfg% = Std,NTamd64\n%Mfg% = Std,NTarm64\n[Std.NTamd64]\nD = I, "
       "H\n[Std.NTarm64]\nD = I, H\n",
       {},
       ErrorsOf("inf-no-models", true, false)},
      {"each version served by one line or another",
       "[Manufacturer]\nA = New, NTamd64.6.1, NTx86\nB = Old, NTamd64\n[New.NTamd64.6.1]\nD = I, "
       "H\n[New.NTx86]\nD = I, H\n[Old.NTamd64]\nD = I, H\n",
       {},
       {}},
      {"a version no line serves",
       "[Manufacturer]\nA = New, NTamd64.6.1, NTx86\nB = Old, NTamd64.5.2, NTamd64.6.0\n"
       "[New.NTamd64.6.1]\nD = I, H\n[New.NTx86]\nD = I, H\n[Old.NTamd64.5.2]\nD = I, H\n",
       {},
       {"E Vista64 inf-no-models"}},
      {"no [Manufacturer] section", files, {"zavcir.sys"}, ErrorsOf("inf-no-models", true, true)},
      {"not an INF file", "[Strings\n", {}, ErrorsOf("inf-unparsable", true, true)},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    for (const char* folder : {"x86", "x64"}) {
      const std::string base = std::string(folder) + "/";
      dist.Remove(base + "zavcir.sys");
      dist.Remove(base + "zavcir.cat");
      dist.Write(base + "zavcir.inf", std::string(kVersion) + c.sections + "\n" + kStrings);
      for (const std::string& file : c.present) dist.Write(base + file, "x");
    }
    dist.ResignAll();
    EXPECT_EQ(c.codes, Codes(CheckDistribution(dist.Root()))) << c.name;
  }
}

// Models sections decorated for Windows versions: each tag covers a range
// (XP from 5.1, XP x64 from 5.2, Vista 6.0, 7 from 6.1), and the decoration of
// the highest version that applies wins.
TEST(DistCheckerTest, ModelsDecoratedForWindowsVersions) {
  struct Case {
    const char* name;
    std::string manufacturer;
    std::vector<std::string> sections;  // the models sections that have a line
    std::set<std::string> codes;
  } cases[] = {
      {"Windows 7 and later only",
       "NTamd64.6.1",
       {"Models.NTamd64.6.1", "Models"},
       {"E WinXP64 inf-no-models", "E Vista64 inf-no-models"}},
      {"a later section missing",
       "NTamd64, NTamd64.6.1",
       {"Models.NTamd64", "Models"},
       {"E Win7_64 inf-no-models"}},
      {"a Windows 10 section missing",
       "NTamd64, NTamd64.10.0",
       {"Models.NTamd64", "Models"},
       {"E Win7_64 inf-no-models"}},
      {"one section per version",
       "NTamd64.5.2, NTamd64.6.0, NTamd64.6.1...7600",
       {"Models.NTamd64.5.2", "Models.NTamd64.6.0", "Models.NTamd64.6.1...7600", "Models"},
       {}},
      {"x86 falls back to the undecorated section before Vista",
       "NTamd64, NTx86.6.0",
       {"Models.NTamd64", "Models", "Models.NTx86.6.0"},
       {}},
      {"x86 takes the decorated section where one applies",
       "NTamd64, NTx86.6.0",
       {"Models.NTamd64", "Models"},
       {"E Vista32 inf-no-models", "E Win7_32 inf-no-models"}},
      {"XP without a fallback",
       "NTamd64, NTx86.6.0",
       {"Models.NTamd64", "Models.NTx86.6.0"},
       {"E WinXP32 inf-no-models"}},
      {"other architectures and junk do not count",
       "NTia64, NTarm64, x86, NTamd64.six",
       {"Models.NTia64", "Models"},
       ErrorsOf("inf-no-models", false, true)},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    std::string inf =
        std::string(kVersion) + "[Manufacturer]\n%Mfg% = Models, " + c.manufacturer + "\n";
    for (const std::string& section : c.sections) inf += "[" + section + "]\nD = I, H\n";
    inf += std::string(kFiles) + kStrings;
    for (const char* folder : {"x86", "x64"}) dist.Write(std::string(folder) + "/zavcir.inf", inf);
    dist.ResignAll();
    EXPECT_EQ(c.codes, Codes(CheckDistribution(dist.Root()))) << c.name;
  }
}

// The binary of a kernel-mode service against the INF's DriverVer version
// (3.0.0.2): a file-version detection rule matches only a binary whose
// version resource carries that version.
TEST(DistCheckerTest, DriverBinaryVersionAgainstTheInf) {
  const std::string services =
      "[Install.NT]\r\nCopyFiles = Files\r\n[Install.NT.Services]\r\n"
      "AddService = zavcir, 0x00000002, Service\r\n%more%[Service]\r\nServiceType = %type%\r\n"
      "ServiceBinary = %12%\\zavcir.sys\r\n[Other]\r\nServiceType = 1\r\n"
      "ServiceBinary = %12%\\zavcir.sys\r\n";
  const auto image = [](const uint16_t(&version)[4]) {
    return pe_test::MakeImage(kMachineAmd64, true, true, version);
  };
  const std::string none;
  struct Case {
    const char* name;
    std::string driver;  // zavcir.sys; "" none in the package
    const char* type;    // the service's ServiceType
    const char* more;    // more lines of the .Services section
    const char* inf;     // the DriverVer line's version
    bool warns;
  } cases[] = {
      {"the INF's version", image({3, 0, 0, 2}), "1", "", "3.0.0.2", false},
      {"the same by number", image({3, 0, 0, 2}), "1", "", "03.0.00.2", false},
      {"fewer parts in the INF", image({3, 1, 0, 0}), "1", "", "3.1", false},
      {"another version", image({3, 0, 0, 1}), "1", "", "3.0.0.2", true},
      {"a file system driver", image({3, 0, 0, 1}), "2", "", "3.0.0.2", true},
      {"no version resource", pe_test::MakeImage(kMachineAmd64, true, false), "1", "", "3.0.0.2",
       true},
      {"no Windows executable", "driver", "1", "", "3.0.0.2", true},
      {"a user-mode service", "driver", "16", "", "3.0.0.2", false},
      {"a version the INF gives as no number", image({3, 0, 0, 2}), "1", "", "3.0.0.2beta", true},
      {"missing: left to inf-source-file-missing", none, "1", "", "3.0.0.2", false},
      {"two services of one binary: one warning", "driver", "1", "AddService = other, 0, Other\r\n",
       "3.0.0.2", true},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    const std::string inf = Replaced(
        Replaced(Replaced(kInf, "3.0.0.2", c.inf) + services, "%type%", c.type), "%more%", c.more);
    for (const std::string folder : {"x86", "x64"}) {
      dist.Write(folder + "/zavcir.inf", inf);
      if (c.driver.empty())
        dist.Remove(folder + "/zavcir.sys");
      else
        dist.Write(folder + "/zavcir.sys", c.driver);
    }
    dist.ResignAll();
    const DistReport report = CheckDistribution(dist.Root());
    std::set<std::string> expected =
        c.driver.empty() ? ErrorsOf("inf-source-file-missing", 1, 1) : std::set<std::string>{};
    for (const char* tag : {"WinXP32", "WinXP64", "Vista32", "Vista64", "Win7_32", "Win7_64"}) {
      if (c.warns) expected.insert(std::string("W ") + tag + " driver-file-version");
    }
    // One warning per tag, however many services the binary serves.
    const auto warnings =
        std::count_if(report.findings.begin(), report.findings.end(),
                      [](const Finding& f) { return f.code == "driver-file-version"; });
    EXPECT_EQ(c.warns ? 6 : 0, warnings) << c.name;
    std::set<std::string> codes = Codes(report);
    // The signer's own warnings on the Windows 7 tags are not this test's subject.
    codes.erase("W Win7_32 catalog-not-microsoft-signed");
    codes.erase("W Win7_64 catalog-not-microsoft-signed");
    EXPECT_EQ(expected, codes) << c.name;
  }
}

}  // namespace
