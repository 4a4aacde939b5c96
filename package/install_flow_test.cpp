#include "package/install_flow.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "env/support_log.h"
#include "package/exit_code.h"
#include "package/package_test_support.h"
#include "tests/fakes/fake_log_file.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using Lines = std::vector<std::string>;

constexpr char kPackageDir[] = "C:\\Dist\\Win7_64";
constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";
constexpr char kInstall[] = "\"C:\\Dist\\Win7_64\\DPInst.exe\" /LM /P";
constexpr char kSilentInstall[] = "\"C:\\Dist\\Win7_64\\DPInst.exe\" /LM /SW /F";
const std::string kOldKey = package_test::UninstallSubkey("OLD");
const std::string kNewKey = package_test::UninstallSubkey("NEW");

// One install run with the package (version 3.0.0.2) in kPackageDir, and an
// older copy of the given version unless it is nullptr, on the Windows of the
// registry rule.
struct InstallRun {
  InstallRun(const char* oldVersion, package_test::ViewRule rule) {
    package_test::UseViewRule(p, rule);
    params.packageDir = kPackageDir;
    p.files.AddDirectory(kPackageDir);
    p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", InfText("3.0.0.2"));
    p.log.Open(kLog);
    if (oldVersion) AddCopy(p, "OLD", "zavcir.inf_old", InfText(oldVersion));
  }
  // The installer answers result and, when it registers, adds the new copy
  // with the given INF text.
  void Installer(DWORD result, bool registers, const std::string& inf = InfText("3.0.0.2")) {
    p.runner.results = {result, 0};
    p.runner.onRun = [this, registers, inf](const std::string& command) {
      if (p.runner.commands.size() == 1) {
        if (registers) AddCopy(p, "NEW", "zavcir.inf_new", inf);
        return;
      }
      package_test::RemoveCopyOnUninstall(p, command);
    };
  }
  // The values written under key, as the support log names them.
  int Written(const std::string& key) {
    int written = 0;
    for (const std::string& line : p.log.TextLines(kLog))
      written += line.rfind("Registry write HKLM\\" + key, 0) == 0;
    return written;
  }
  // The support log's lines that name a copy left after a removal.
  Lines Left() {
    Lines left;
    for (const std::string& line : p.log.TextLines(kLog))
      if (line.find("still registered after the install") != std::string::npos)
        left.push_back(line);
    return left;
  }
  int Scans() const {
    int scans = 0;
    for (REGSAM mask : p.registry.accessMasks)
      scans += (mask & ~KEY_WOW64_64KEY) == (KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    return scans;
  }
  // The DisplayName and DisplayVersion of key, "-" for a missing value.
  std::string Labels(const std::string& key) const {
    std::string name = "-", version = "-";
    p.registry.GetValue(key, "DisplayName", &name);
    p.registry.GetValue(key, "DisplayVersion", &version);
    return name + "|" + version;
  }

  FakePlatform p;
  InstallParams params;
};

const std::string kLabelled =
    std::string("ZAV CIR Receiver Driver", 24) + "|" + std::string("3.0.0.2", 8);

// Each test runs on 32-bit Windows and on each 64-bit one, whose copies'
// entries are in the 64-bit view.
class InstallFlow : public ::testing::TestWithParam<package_test::ViewRule> {};

TEST_P(InstallFlow, EndingsLabelTheNewCopyAndRemoveTheRightOnes) {
  struct Case {
    const char* name;
    DWORD result;
    const char* oldVersion;
    BOOL silent;
    const char* removed;  // the copy whose entry runs after the installer, always silently
  } cases[] = {
      {"installed, restart bit ignored", 0x40000001, "2.0", FALSE, "zavcir.inf_old"},
      {"installed, silent", 0x1, "2.0", TRUE, "zavcir.inf_old"},
      {"installed alone", 0x1, nullptr, FALSE, nullptr},
      {"staged beside another copy", 0x100, "2.0", FALSE, "zavcir.inf_new"},
      {"staged alone", 0x100, nullptr, FALSE, nullptr},
  };
  for (const Case& c : cases) {
    InstallRun run(c.oldVersion, GetParam());
    run.Installer(c.result, true);
    run.params.silent = c.silent != FALSE;
    const int exitCode = InstallPackage(run.params);
    EXPECT_EQ(exitCode, SETUP_SUCCESS) << c.name;
    // A staged copy beside another is labelled, then removed with its key.
    const bool newRemoved = c.removed && std::string(c.removed) == "zavcir.inf_new";
    EXPECT_EQ(run.Labels(kNewKey), newRemoved ? "-|-" : kLabelled) << c.name;
    EXPECT_EQ(run.Labels(kOldKey), "-|-") << c.name;
    EXPECT_EQ(run.Written(kNewKey), 2) << c.name;
    Lines commands = {c.silent ? kSilentInstall : kInstall};
    if (c.removed) commands.push_back(package_test::EntryCommand(c.removed, true));
    EXPECT_EQ(run.p.runner.commands, commands) << c.name;
    // After a removal the entries are read once more.
    EXPECT_EQ(run.Scans(), c.removed ? 3 : 2) << c.name;
    EXPECT_EQ(run.Left(), Lines{}) << c.name;
    EXPECT_EQ(run.p.registry.OpenKeyCount(), 0) << c.name;
  }
}

TEST_P(InstallFlow, WithoutANewMatchingCopyNothingFollowsTheInstaller) {
  struct Case {
    const char* name;
    DWORD result;
    bool registers;
    const char* oldVersion;
    const char* newVersion;
    int scans, exitCode;
  } cases[] = {
      // A failed installer: the entries are read once more, for the detection key.
      {"installer did not start", 0x90000002, true, "2.0", "3.0.0.2", 2, EXIT_SETUP_FAILED},
      {"failed with a count", 0x80000001, true, "2.0", "3.0.0.2", 2, EXIT_SETUP_FAILED},
      {"failed, restart, staged", 0xC0000100, true, "2.0", "3.0.0.2", 2, EXIT_SETUP_FAILED},
      // Staged again beside its own copy: no entry more than before.
      {"staged, no new entry", 0x100, false, "3.0.0.2", "3.0.0.2", 2, SETUP_SUCCESS},
      {"nothing installed", 0x0, true, "2.0", "3.0.0.2", 2, SETUP_SUCCESS},
      {"no entry has the package INF", 0x1, true, "2.0", "9.9", 2, EXIT_SETUP_FAILED},
  };
  for (const Case& c : cases) {
    InstallRun run(c.oldVersion, GetParam());
    run.Installer(c.result, c.registers, InfText(c.newVersion));
    const int exitCode = InstallPackage(run.params);
    EXPECT_EQ(exitCode, c.exitCode) << c.name;
    EXPECT_EQ(run.Scans(), c.scans) << c.name;
    EXPECT_EQ(run.p.runner.commands, Lines{kInstall}) << c.name;
    EXPECT_EQ(run.Labels(kNewKey) + run.Labels(kOldKey), "-|--|-") << c.name;
  }
}

// An installer whose end or exit code is unknown may still be running: nothing
// is labelled or removed, and the install has failed.
TEST_P(InstallFlow, AnInstallerWhoseEndIsUnknownHasFailed) {
  struct Case {
    const char* name;
    DWORD waitError, exitCodeError, exitCode;
  } cases[] = {
      {"wait failed", 6, 0, 0x1},
      {"exit code unreadable", 0, 5, 0x1},
      {"exit code STILL_ACTIVE", 0, 0, 259},  // would read as 3 installed, 1 staged
  };
  for (const Case& c : cases) {
    InstallRun run("2.0", GetParam());
    run.Installer(c.exitCode, true);
    run.p.runner.waitError = c.waitError;
    run.p.runner.exitCodeError = c.exitCodeError;
    const int exitCode = InstallPackage(run.params);
    EXPECT_EQ(exitCode, EXIT_SETUP_FAILED) << c.name;
    EXPECT_EQ(run.Scans(), 2) << c.name;  // before, and at the end for the detection key
    EXPECT_EQ(run.p.runner.commands, Lines{kInstall}) << c.name;
    EXPECT_EQ(run.Labels(kNewKey) + run.Labels(kOldKey), "-|--|-") << c.name;
  }
}

// An installer ended from outside (Task Manager gives it exit code 1) or
// crashed reports what it never did: without an entry of the package after it,
// the install has failed and the older copies stay.
TEST_P(InstallFlow, AResultOfAnInstallWithoutAnEntryOfThePackageIsAFailure) {
  for (DWORD result : {0x1u, 0x40000001u, 0x100u, 0x40000100u}) {
    for (int matching : {0, 1, 2}) {
      const std::string what = FormatHex32(result) + ", matching " + std::to_string(matching);
      // Two match when the older copy is the package itself, installed again.
      InstallRun run(matching == 2 ? "3.0.0.2" : "2.0", GetParam());
      FakeLogFile& log = run.p.log;
      // A new entry (staged needs one) of another INF stands for none of the package.
      run.Installer(result, matching != 0 || (result & 0xFF00),
                    InfText(matching ? "3.0.0.2" : "9.9"));
      const int exitCode = InstallPackage(run.params);
      const bool failed = matching == 0;
      EXPECT_EQ(exitCode, failed ? EXIT_SETUP_FAILED : SETUP_SUCCESS) << what;
      EXPECT_EQ(run.p.runner.commands.size(), failed ? 1u : 2u) << what;
      const Lines lines = log.TextLines(kLog);
      const std::string said =
          "The installer reported the package " +
          std::string(result & 0xFF ? "installed" : "staged") + " (" + FormatHex32(result) +
          "), but no \"Uninstall\" entry has the package's INF: it did not install it, perhaps "
          "ended from outside; older copies left alone";
      EXPECT_EQ(std::count(lines.begin(), lines.end(), said), failed ? 1 : 0) << what;
    }
  }
}

// The installer counts the driver packages (INF files) of its folder: a result
// that counts more is a Windows error code of a run that failed before it
// handled one. Nothing is labelled or removed, and the install has failed.
TEST_P(InstallFlow, AResultThatCountsMorePackagesThanTheFolderHasIsAFailure) {
  struct Case {
    DWORD result;
    int infFiles;      // in the package folder, zavcir.inf among them
    const char* text;  // the log's line for a failure; nullptr: believed, a success
  } cases[] = {
      {0x0000065B, 1,  // 91 installed, 6 staged: what it answers at start under Wine
       "The installer failed at start: 0x0000065B (1627): Function failed during execution."},
      {0x00000005, 1, "The installer failed at start: 0x00000005 (5): Access is denied."},
      {0x00000002, 1,
       "The installer failed at start: 0x00000002 (2): The system cannot find the file "
       "specified."},
      {0x00000002, 2, nullptr},  // two packages installed: believed
      {0x40000101, 2, nullptr},
      {0x40000101, 1,
       "The installer failed at start: 0x40000101 (1073742081), a code the system has no text "
       "for"},
      {0x00010001, 1,
       "The installer failed at start: 0x00010001 (65537), a code the system has no text for"},
      // A package that failed, within the count but without the failure bit.
      {0x00010000, 1, "The installer reported 1 driver package(s) failed (0x00010000)"},
  };
  for (const Case& c : cases) {
    for (bool samePresent : {false, true}) {
      const std::string what = FormatHex32(c.result) + ", INF files " + std::to_string(c.infFiles) +
                               (samePresent ? ", same present" : "");
      InstallRun run(samePresent ? "3.0.0.2" : "2.0", GetParam());
      // A second package's INF, and a folder and a file that only look like INF files.
      if (c.infFiles == 2) run.p.files.AddFile(std::string(kPackageDir) + "\\other.inf", "");
      run.p.files.AddDirectory(std::string(kPackageDir) + "\\folder.inf");
      run.p.files.AddFile(std::string(kPackageDir) + "\\zavcir.cat", "");
      run.Installer(c.result, true);
      const int exitCode = InstallPackage(run.params);
      const Lines lines = run.p.log.TextLines(kLog);
      if (!c.text) {
        EXPECT_EQ(exitCode, SETUP_SUCCESS) << what;
        EXPECT_GE(run.Scans(), 2) << what;
        continue;
      }
      EXPECT_EQ(exitCode, EXIT_SETUP_FAILED) << what;
      EXPECT_EQ(run.Scans(), 2) << what;  // before, and at the end for the detection key
      EXPECT_EQ(run.p.runner.commands, Lines{kInstall}) << what;
      EXPECT_EQ(run.Labels(kNewKey) + run.Labels(kOldKey), "-|--|-") << what;
      EXPECT_EQ(std::count(lines.begin(), lines.end(), c.text), 1) << what;
    }
  }
}

// A copy that the install meant to remove and that is still registered after
// its uninstall command is named in the log; the install itself succeeded.
TEST_P(InstallFlow, ACopyNotRemovedIsNamed) {
  struct Case {
    const char* name;
    DWORD installResult;
    DWORD removeResult;
    const char* line;  // nullptr: none
  } cases[] = {
      {"older copy removed", 0x1, 0, nullptr},
      {"older copy's command failed", 0x1, 0x80000000,
       "Older copy still registered after the install, not removed: OLD ("},
      {"older copy's command failed at start", 0x1, 0x65B,
       "Older copy still registered after the install, not removed: OLD ("},
      {"staged copy removed", 0x100, 0, nullptr},
      {"staged copy's command failed", 0x100, 0x80000000,
       "Staged copy still registered after the install, not removed: NEW ("},
  };
  for (const Case& c : cases) {
    InstallRun run("2.0", GetParam());
    run.Installer(c.installResult, true);
    run.p.runner.results = {c.installResult, c.removeResult};
    const int exitCode = InstallPackage(run.params);
    EXPECT_EQ(exitCode, SETUP_SUCCESS) << c.name;
    const Lines left = run.Left();
    if (!c.line) {
      EXPECT_EQ(left, Lines{}) << c.name;
      continue;
    }
    ASSERT_EQ(left.size(), 1u) << c.name;
    EXPECT_EQ(left[0].rfind(c.line, 0), 0u) << c.name << ": " << left[0];
  }
}

TEST_P(InstallFlow, AnInfWithoutVersionLeavesDisplayVersionAlone) {
  InstallRun run(nullptr, GetParam());
  const std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";
  run.p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", inf);
  run.p.registry.SetString(kNewKey, "DisplayVersion", "old");
  run.Installer(0x1, true, inf);
  InstallPackage(run.params);
  EXPECT_EQ(run.Labels(kNewKey),
            std::string("ZAV CIR Receiver Driver", 24) + "|" + std::string("old", 4));
}

INSTANTIATE_TEST_SUITE_P(EachWindows, InstallFlow,
                         ::testing::ValuesIn(package_test::kEveryViewRule),
                         package_test::ViewRuleName);

}  // namespace
