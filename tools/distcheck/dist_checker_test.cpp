#include "tools/distcheck/dist_checker.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "tools/distcheck/pe_image.h"
#include "tools/distcheck/pe_test_image.h"

namespace {

const char kIni[] =
    "[Dir]\nWinXP32=x86\nWinXP64=x64\nVista32=x86\nVista64=x64\nWin7_32=x86\nWin7_64=x64\n";
const char kInf[] = "[Version]\r\nDriverVer = 06/21/2013, 3.0.0.2\r\n";

// A distribution folder in a temporary directory, removed at the end.
class DistFolder {
 public:
  DistFolder() {
    char pattern[] = "/tmp/distcheck-test-XXXXXX";
    root_ = ::mkdtemp(pattern);
  }
  ~DistFolder() { std::system(("rm -rf '" + root_ + "'").c_str()); }

  const std::string& Root() const { return root_; }
  void Write(const std::string& relative, const std::string& content) {
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos) MakeDir(relative.substr(0, slash));
    std::ofstream(root_ + "/" + relative, std::ios::binary) << content;
  }
  // Makes the folder and the folders above it.
  void MakeDir(const std::string& relative) {
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      ::mkdir((root_ + "/" + relative.substr(0, slash)).c_str(), 0755);
    }
    ::mkdir((root_ + "/" + relative).c_str(), 0755);
  }
  void Remove(const std::string& relative) { ::unlink((root_ + "/" + relative).c_str()); }

  // Setup.exe, Setup.ini and the x86 and x64 package folders, all correct.
  void MakeClean() {
    Write("Setup.exe", pe_test::MakeImage(kMachineI386, false, true, {1, 0, 0, 7}));
    Write("Setup.ini", kIni);
    for (const char* folder : {"x86", "x64"}) {
      Write(std::string(folder) + "/zavcir.inf", kInf);
    }
    Write("x86/DPInst.exe", pe_test::MakeImage(kMachineI386, false, true));
    Write("x64/DPInst.exe", pe_test::MakeImage(kMachineAmd64, true, true));
  }

 private:
  std::string root_;
};

// "severity tag code" of every finding.
std::set<std::string> Codes(const DistReport& report) {
  std::set<std::string> codes;
  for (const Finding& f : report.findings) {
    codes.insert(std::string(f.severity == Severity::kError ? "E " : "W ") +
                 (f.tag.empty() ? "-" : f.tag) + " " + f.code);
  }
  return codes;
}

TEST(DistCheckerTest, CleanFolder) {
  DistFolder dist;
  dist.MakeClean();
  const DistReport report = CheckDistribution(dist.Root());
  EXPECT_EQ(std::set<std::string>{}, Codes(report));
  EXPECT_EQ(0, report.ExitCode());
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
  dist.Write("pkg/x86/ZAVCIR.INF", kInf);
  dist.Write("pkg/x86/dpinst.EXE", pe_test::MakeImage(kMachineI386, false, false));
  dist.Write("pkg/x64/zavcir.inf", kInf);
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
       [](DistFolder* d) { d->Write("x64/zavcir.inf", "; DriverVer = a, 1.0\nDriverVer = a\n"); },
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
      {"versions differ",
       [](DistFolder* d) { d->Write("x64/zavcir.inf", "DriverVer = 07/01/2013, 3.0.0.3\n"); },
       {"W - driver-version-mismatch"}},
      {"space in a folder name",
       [](DistFolder* d) {
         d->Write("x 86/zavcir.inf", kInf);
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
    const DistReport report = CheckDistribution(dist.Root());
    EXPECT_EQ(c.codes, Codes(report)) << c.name;
    const bool errors = report.CountOf(Severity::kError) > 0;
    EXPECT_EQ(errors ? 2 : c.codes.empty() ? 0 : 1, report.ExitCode()) << c.name;
  }
}

TEST(DistCheckerTest, MessagesSayWhy) {
  DistFolder dist;
  dist.MakeClean();
  dist.Write("Setup.ini", "[Dir]\nWinXP32=x86\nWinXP64=\nWinXP64=x64\nVista32=" +
                              std::string(260, 'v') + "\nVista64=x64\nWin7_64=x64\n");
  dist.Write("x64/zavcir.inf", std::string("\xFF\xFE"
                                           "D\0=\0,\0",
                                           8));
  const DistReport report = CheckDistribution(dist.Root());
  std::string all;
  for (const Finding& f : report.findings) all += f.message + "\n";
  EXPECT_NE(std::string::npos, all.find("WinXP64: the first [Dir] line for WinXP64 with a "
                                        "readable value has an empty value"));
  EXPECT_NE(std::string::npos, all.find("Vista32: no [Dir] line for Vista32 has a value"));
  EXPECT_NE(std::string::npos, all.find("Win7_32: Setup.ini has no [Dir] line for Win7_32"));
  EXPECT_NE(std::string::npos, all.find("(the file is UTF-16; Setup.exe reads it as 8-bit text)"));
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
