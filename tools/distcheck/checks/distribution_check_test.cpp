#include "tools/distcheck/checks/distribution_check.h"

#include <gtest/gtest.h>

#include <set>

#include "tools/distcheck/pe/pe_image.h"
#include "tools/distcheck/testing/pe_test_image.h"
#include "tools/distcheck/testing/test_distribution.h"

namespace {

using namespace dist_test;

TEST(DistCheckerTest, CleanFolder) {
  DistFolder dist;
  dist.MakeClean();
  const DistReport report = CheckDistribution(dist.Root());
  EXPECT_EQ(std::set<std::string>{}, Codes(report));
  EXPECT_EQ(DistReport::kExitClean, report.ExitCode());
  EXPECT_EQ("1.0.0.7", report.setupExeFileVersion);
  ASSERT_EQ(6u, report.rows.size());
  for (const TagRow& row : report.rows) {
    EXPECT_EQ("3.0.0.2", row.driverVersion) << row.tag;
    EXPECT_EQ(row.expectedMachine, row.dpinstMachine) << row.tag;
    EXPECT_TRUE(row.folderExists) << row.tag;
  }
  EXPECT_EQ("x64", report.rows[5].folder);
}

TEST(DistCheckerTest, NamesMatchWithoutRegardToCase) {
  DistFolder dist;
  dist.Write("SETUP.EXE", pe_test::MakeImage(kMachineI386, false, true));
  dist.Write("setup.ini",
             "[dir]\nWINXP32=Pkg\\X86\nwinxp64=pkg\\x64.\nVista32=.\\pkg\\x86\n"
             "Vista64=pkg\\\\x64\nWin7_32=pkg/x86\nWin7_64=pkg\\..\\pkg\\x64\n");
  dist.WritePackage("pkg/x86");
  dist.Remove("pkg/x86/zavcir.inf");
  dist.Write("pkg/x86/ZAVCIR.INF", kInf);
  dist.Remove("pkg/x86/zavcir.sys");
  dist.Write("pkg/x86/ZavCir.Sys", "driver");
  dist.Write("pkg/x86/dpinst.EXE", pe_test::MakeImage(kMachineI386, false, false));
  dist.WritePackage("pkg/x64");
  dist.Write("pkg/x64/DPInst.exe", pe_test::MakeImage(kMachineAmd64, true, false));
  const DistReport report = CheckDistribution(dist.Root());
  EXPECT_EQ(std::set<std::string>{}, Codes(report));
}

TEST(DistCheckerTest, EachKindOfBreakage) {
  struct Case {
    const char* name;
    void (*breakIt)(DistFolder*);
    std::set<std::string> codes;
  } cases[] = {
      {"Setup.exe missing",
       [](DistFolder* d) { d->Remove("Setup.exe"); },
       {"E - setup-exe-missing"}},
      {"Setup.exe not an image",
       [](DistFolder* d) { d->Write("Setup.exe", "MZ nonsense"); },
       {"E - setup-exe-not-pe"}},
      {"Setup.exe without version",
       [](DistFolder* d) { d->Write("Setup.exe", pe_test::MakeImage(kMachineI386, false, false)); },
       {"E - setup-exe-no-version"}},
      {"Setup.ini missing",
       [](DistFolder* d) { d->Remove("Setup.ini"); },
       {"E - setup-ini-missing"}},
      {"Setup.ini refused",
       [](DistFolder* d) { d->Write("Setup.ini", "junk\n[Dir]\n"); },
       {"E - setup-ini-unparsable"}},
      {"Setup.ini signed as a Windows-style INF",
       [](DistFolder* d) {
         d->Write("Setup.ini", "[Version]\nSignature=\"$Windows NT$\"\n" + std::string(kIni));
       },
       {"E - setup-ini-signature"}},
      {"Setup.ini with another signature",
       [](DistFolder* d) {
         d->Write("Setup.ini", std::string(kIni) + "[version]\nSIGNATURE=$x$\n");
       },
       {"E - setup-ini-signature"}},
      {"Setup.ini as UTF-8 with a byte-order mark",
       [](DistFolder* d) { d->Write("Setup.ini", "\xEF\xBB\xBF" + std::string(kIni)); },
       {"W - setup-ini-encoding"}},
      {"Setup.ini as UTF-16",
       [](DistFolder* d) { d->Write("Setup.ini", Utf16(kIni)); },
       {"W - setup-ini-encoding"}},
      {"Setup.ini as UTF-16 without its mark",
       [](DistFolder* d) { d->Write("Setup.ini", Utf16(kIni).substr(2)); },
       {"W - setup-ini-encoding"}},
      {"lines missing or unusable",
       [](DistFolder* d) {
         d->Write("Setup.ini", "[Dir]\nWinXP32=x86\nWinXP64=\nWinXP64=x64\nVista32=" +
                                   std::string(260, 'v') + "\nVista64=x64\nWin7_64=x64\n");
       },
       {"E WinXP64 dir-line-missing", "E Vista32 dir-line-missing", "E Win7_32 dir-line-missing"}},
      {"a later line for a tag is never read",
       [](DistFolder* d) { d->Write("Setup.ini", std::string(kIni) + "Win7_64=gone\n"); },
       {}},
      {"folder missing",
       [](DistFolder* d) { d->Write("Setup.ini", "[Dir]\nWin7_64=gone\n" + std::string(kIni)); },
       {"E Win7_64 folder-missing"}},
      {"folder names a file",
       [](DistFolder* d) {
         d->Write("Setup.ini",
                  "[Dir]\nWinXP32=x86\nWinXP64=x64\nVista32=x86\nVista64=x64\n"
                  "Win7_32=x86\\zavcir.inf\nWin7_64=..\\elsewhere\n");
       },
       {"E Win7_32 folder-missing", "E Win7_64 folder-missing"}},
      {"folder id and drive",
       [](DistFolder* d) {
         d->Write("Setup.ini",
                  "[Dir]\nWinXP32=x86\nWinXP64=%11%\\x64\nVista32=x86\nVista64=C:x64\n"
                  "Win7_32=x86\nWin7_64=x64\n");
       },
       {"E WinXP64 folder-missing", "E Vista64 folder-missing"}},
      {"INF missing",
       [](DistFolder* d) { d->Remove("x86/zavcir.inf"); },
       {"E WinXP32 inf-missing", "E Vista32 inf-missing", "E Win7_32 inf-missing"}},
      {"no DriverVer version",
       [](DistFolder* d) {
         d->Write("x64/zavcir.inf", Replaced(kInf, "DriverVer = 06/21/2013, 3.0.0.2",
                                             "; DriverVer = a, 1.0\r\nDriverVer = a"));
       },
       {"E WinXP64 inf-no-driver-version", "E Vista64 inf-no-driver-version",
        "E Win7_64 inf-no-driver-version"}},
      {"32-bit installer in the 64-bit folder",
       [](DistFolder* d) {
         d->Write("x64/DPInst.exe", pe_test::MakeImage(kMachineI386, false, true));
       },
       {"E WinXP64 dpinst-machine", "E Vista64 dpinst-machine", "E Win7_64 dpinst-machine"}},
      {"installer missing",
       [](DistFolder* d) { d->Remove("x86/DPInst.exe"); },
       {"E WinXP32 dpinst-missing", "E Vista32 dpinst-missing", "E Win7_32 dpinst-missing"}},
      {"installer not an image",
       [](DistFolder* d) { d->Write("x86/DPInst.exe", "#!/bin/sh\n"); },
       {"E WinXP32 dpinst-not-pe", "E Vista32 dpinst-not-pe", "E Win7_32 dpinst-not-pe"}},
      {"a UTF-16 INF is read as Setup.exe reads it",
       [](DistFolder* d) { d->Write("x64/zavcir.inf", Utf16(kInf)); },
       {}},
      {"a UTF-16 version beyond ASCII",
       [](DistFolder* d) {
         d->Write("x64/zavcir.inf",
                  Utf16(u"[Version]\r\nDriverVer = a, 3.0.0.2\u03B2\r\n") + Utf16(kInf).substr(2));
       },
       {"W WinXP64 inf-driver-version-not-ascii", "W Vista64 inf-driver-version-not-ascii",
        "W Win7_64 inf-driver-version-not-ascii", "W - driver-version-mismatch"}},
      {"versions differ",
       [](DistFolder* d) { d->Write("x64/zavcir.inf", Replaced(kInf, "3.0.0.2", "3.0.0.3")); },
       {"W - driver-version-mismatch"}},
      {"space in a folder name",
       [](DistFolder* d) {
         d->WritePackage("x 86");
         d->Write("x 86/DPInst.exe", pe_test::MakeImage(kMachineI386, false, false));
         d->Write("Setup.ini",
                  "[Dir]\nWinXP32=x 86\nWinXP64=x64\nVista32=x86\nVista64=x64\n"
                  "Win7_32=x86\nWin7_64=x64\n");
       },
       {"W WinXP32 folder-space"}},
  };
  for (const Case& c : cases) {
    DistFolder dist;
    dist.MakeClean();
    c.breakIt(&dist);
    dist.ResignAll();  // these faults are not the catalogs'
    const DistReport report = CheckDistribution(dist.Root());
    EXPECT_EQ(c.codes, Codes(report)) << c.name;
    const bool errors = report.CountOf(Severity::kError) > 0;
    EXPECT_EQ(errors            ? DistReport::kExitErrors
              : c.codes.empty() ? DistReport::kExitClean
                                : DistReport::kExitWarnings,
              report.ExitCode())
        << c.name;
  }
}

TEST(DistCheckerTest, MessagesSayWhy) {
  DistFolder dist;
  dist.MakeClean();
  dist.Write("Setup.ini", "[Dir]\nWinXP32=x86\nWinXP64=\nWinXP64=x64\nVista32=" +
                              std::string(260, 'v') + "\nVista64=x64\nWin7_64=x64\n");
  dist.Write("Setup.ini", "[version]\nsignature=$CHICAGO$\n" + dist.Read("Setup.ini"));
  dist.Write("x64/zavcir.inf", Utf16(u"DriverVer=a,1.0\r\n").substr(2));
  dist.Write("x86/zavcir.inf", Replaced(kInf, "%Mfg% = Models, NTx86, NTamd64",
                                        "A = Models, NTamd64\r\nB = Other, NTx86.6.0"));
  const DistReport report = CheckDistribution(dist.Root());
  std::string all;
  for (const Finding& f : report.findings) all += f.message + "\n";
  EXPECT_NE(std::string::npos, all.find("WinXP64: the first [Dir] line for WinXP64 with a "
                                        "readable value has an empty value"));
  EXPECT_NE(std::string::npos, all.find("Vista32: no [Dir] line for Vista32 has a value"));
  EXPECT_NE(std::string::npos, all.find("Win7_32: Setup.ini has no [Dir] line for Win7_32"));
  EXPECT_NE(std::string::npos,
            all.find("Setup.ini's [Version] section has the Signature \"$CHICAGO$\", which makes "
                     "it a Windows-style INF file; Setup.exe opens Setup.ini as a legacy-style one "
                     "(INF_STYLE_OLDNT), which Windows refuses for such a file "
                     "(ERROR_WRONG_INF_STYLE)"));
  EXPECT_NE(std::string::npos, all.find("(the file holds NUL bytes: UTF-16 text without its "
                                        "byte-order mark, which Setup.exe reads as 8-bit text;"));
  EXPECT_NE(std::string::npos,
            all.find("WinXP32: x86\\zavcir.inf: none of its 2 [Manufacturer] lines gives Windows "
                     "5.1 a models section: the models 'Models' have neither an NTx86 decoration "
                     "in [Manufacturer] nor an undecorated section [Models] for Windows 5.1; the "
                     "models 'Other' have neither"));
}

TEST(DistCheckerTest, FolderItself) {
  DistFolder dist;
  const DistReport missing = CheckDistribution(dist.Root() + "/nowhere");
  EXPECT_EQ(std::set<std::string>{"E - folder-missing"}, Codes(missing));
  EXPECT_EQ(6u, missing.rows.size());

  dist.MakeDir("with space");
  const std::string spaced = dist.Root() + "/with space";
  const DistReport report = CheckDistribution(spaced + "/");
  EXPECT_EQ(1u, Codes(report).count("W - dist-folder-space"));
}

}  // namespace
