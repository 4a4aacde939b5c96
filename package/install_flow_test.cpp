#include <gtest/gtest.h>

#include <cctype>

#include "app/exit_code.h"
#include "app/setup_app.h"
#include "package/package_test_support.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::kUninstallKey;
using Lines = std::vector<std::string>;

constexpr char kPackageDir[] = "C:\\Dist\\Win7_64";
constexpr char kInstall[] = "\"C:\\Dist\\Win7_64\\DPInst.exe\" /LM /P";
const std::string kOldKey = std::string(kUninstallKey) + "\\OLD";
const std::string kNewKey = std::string(kUninstallKey) + "\\NEW";

// One install run on a fresh machine with the package in kPackageDir.
class InstallRun {
 public:
  InstallRun() {
    app.m_strPackageDir = kPackageDir;
    p.files.AddDirectory(kPackageDir);
    p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", InfText("3.0.0.2"));
  }

  // An older copy, there before the installer runs.
  void AddOldCopy() { AddCopy(p, "OLD", "zavcir.inf_old", InfText("2.0")); }
  // The installer answers result and, when it registers the package, adds the
  // new copy with the given INF text.
  void Installer(DWORD result, bool registers, std::string inf = InfText("3.0.0.2")) {
    p.runner.results = {result, 0};
    p.runner.onRun = [this, registers, inf](const std::string& command) {
      if (registers && p.runner.commands.size() == 1) AddCopy(p, "NEW", "zavcir.inf_new", inf);
      EXPECT_TRUE(p.system.redirectionOff || !p.system.wow64) << command;
    };
  }
  int Scans() const {
    int scans = 0;
    for (REGSAM mask : p.registry.accessMasks) scans += (mask & ~0x100u) == 0x9;
    return scans;
  }
  bool Labelled(const std::string& key, std::string* version = nullptr) const {
    std::string name;
    if (!p.registry.GetValue(key, "DisplayName", &name)) return false;
    EXPECT_EQ(name, std::string("ZAV CIR Receiver Driver", 24));
    if (version && p.registry.GetValue(key, "DisplayVersion", version)) version->pop_back();
    return true;
  }
  static std::string SilentUninstall(const char* folder) {
    std::string command = package_test::StoreUninstallCommand(folder);
    for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return command.replace(command.find("/u "), 3, "/s /u ");
  }

  FakePlatform p;
  CSetupApp app;
};

class InstallFlowTest : public ::testing::Test, public InstallRun {};

TEST(InstallFlow, FailedInstallerStopsAfterOneScan) {
  for (DWORD result : {0x90000002u, 0x80000001u, 0xC0000100u}) {
    InstallRun run;
    run.AddOldCopy();
    run.Installer(result, true);
    run.app.DoInstall();
    EXPECT_EQ(run.app.m_nExitCode, EXIT_SETUP_FAILED);
    EXPECT_EQ(run.Scans(), 1);
    EXPECT_EQ(run.p.runner.commands, Lines{kInstall});
    EXPECT_FALSE(run.Labelled(kNewKey));
    EXPECT_FALSE(run.Labelled(kOldKey));
  }
}

TEST(InstallFlow, EndingsLabelTheNewCopyAndRemoveTheRightOnes) {
  const std::string oldGoes = InstallRun::SilentUninstall("zavcir.inf_old");
  const std::string newGoes = InstallRun::SilentUninstall("zavcir.inf_new");
  struct Case {
    const char* name;
    DWORD result;
    bool oldCopy;
    BOOL silent;
    Lines commands;  // after the installer's
  } cases[] = {
      {"installed, restart bit ignored", 0x40000001, true, FALSE, {oldGoes}},
      {"installed, silent", 0x1, true, TRUE, {oldGoes}},
      {"installed alone", 0x1, false, FALSE, {}},
      {"staged beside another copy", 0x100, true, FALSE, {newGoes}},
      {"staged alone", 0x100, false, FALSE, {}},
  };
  for (const Case& c : cases) {
    InstallRun run;
    if (c.oldCopy) run.AddOldCopy();
    run.Installer(c.result, true);
    run.app.m_cmdInfo.m_bSilent = c.silent;
    run.app.DoInstall();
    EXPECT_EQ(run.app.m_nExitCode, 0) << c.name;
    std::string version;
    EXPECT_TRUE(run.Labelled(kNewKey, &version)) << c.name;
    EXPECT_EQ(version, "3.0.0.2") << c.name;
    EXPECT_FALSE(run.Labelled(kOldKey)) << c.name;
    Lines commands = {c.silent ? "\"C:\\Dist\\Win7_64\\DPInst.exe\" /LM /SW /F" : kInstall};
    commands.insert(commands.end(), c.commands.begin(), c.commands.end());
    EXPECT_EQ(run.p.runner.commands, commands) << c.name;
    EXPECT_EQ(run.Scans(), 2) << c.name;
    EXPECT_EQ(run.p.registry.OpenKeyCount(), 0) << c.name;
  }
}

TEST(InstallFlow, NothingHappensAfterTheSecondScan) {
  struct Case {
    const char* name;
    DWORD result;
    bool registers;
    std::string newInf;
  } cases[] = {
      {"staged, no new entry", 0x100, false, ""},
      {"nothing installed", 0x0, true, InfText("3.0.0.2")},
      {"no entry has the package INF", 0x1, true, InfText("9.9")},
  };
  for (const Case& c : cases) {
    InstallRun run;
    run.AddOldCopy();
    run.Installer(c.result, c.registers, c.newInf);
    run.app.DoInstall();
    EXPECT_EQ(run.Scans(), 2) << c.name;
    EXPECT_EQ(run.p.runner.commands, Lines{kInstall}) << c.name;
    EXPECT_FALSE(run.Labelled(kNewKey)) << c.name;
    EXPECT_FALSE(run.Labelled(kOldKey)) << c.name;
    EXPECT_EQ(run.app.m_nExitCode, 0) << c.name;
  }
}

TEST_F(InstallFlowTest, MissingPackageInfMatchesNoUnreadableCopy) {
  p.files.Remove(std::string(kPackageDir) + "\\zavcir.inf");
  AddOldCopy();
  p.files.MakeUnreadable(package_test::StoreFolder("zavcir.inf_old") + "\\zavcir.inf");
  Installer(0x1, true, "");
  app.DoInstall();
  EXPECT_FALSE(Labelled(kOldKey));
  EXPECT_FALSE(Labelled(kNewKey));
  EXPECT_EQ(p.runner.commands, Lines{kInstall});
}

TEST_F(InstallFlowTest, EmptyVersionLeavesDisplayVersionAlone) {
  const std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
  p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", inf);
  p.registry.SetString(kNewKey, "DisplayVersion", "old");
  Installer(0x1, true, inf);
  app.DoInstall();
  std::string version;
  EXPECT_TRUE(Labelled(kNewKey, &version));
  EXPECT_EQ(version, "old");
}

TEST_F(InstallFlowTest, PackageDirectoryWithBlanksIsQuoted) {
  app.m_strPackageDir = "C:\\My Drivers\\Win7_64";
  p.runner.results = {0x90000002};
  app.DoInstall();
  EXPECT_EQ(p.runner.commands, Lines{"\"C:\\My Drivers\\Win7_64\\DPInst.exe\" /LM /P"});
}

TEST_F(InstallFlowTest, Wow64RunsWithRedirectionOffAndThe64BitView) {
  package_test::MakeWow64(p);
  AddCopy(p, "OLD", "zavcir.inf_old", InfText("2.0"));
  Installer(0x1, true);
  app.DoInstall();
  EXPECT_TRUE(Labelled(kNewKey));
  EXPECT_EQ(p.runner.commands, (Lines{kInstall, SilentUninstall("zavcir.inf_old")}));
  EXPECT_EQ(p.system.disableCalls, 1);
  EXPECT_EQ(p.system.revertCalls, 1);
  EXPECT_FALSE(p.system.redirectionOff);
}

}  // namespace
