#include "package/uninstall_flow.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "env/probes.h"
#include "package/exit_code.h"
#include "package/package_test_support.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::StoreFolder;
using ::testing::PrintToString;
using Lines = std::vector<std::string>;

constexpr char kPackageDir[] = "C:\\Dist\\Win7_64";
constexpr char kDPInst[] = "\"C:\\Dist\\Win7_64\\DPInst.exe\"";
constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";

// The sweep's command for one store folder.
std::string SweepCommand(const std::string& installer, bool silent, const std::string& folder) {
  return installer + (silent ? " /s" : " ") + " /u \"" + folder + "\\zavcir.inf\"";
}

// One uninstall run on Windows 7 with the package in kPackageDir, with the
// registry of the rule's Windows.
struct UninstallRun {
  explicit UninstallRun(package_test::ViewRule rule) {
    package_test::UseViewRule(p, rule);
    params.packageDir = kPackageDir;
    params.moduleDir = "C:\\Dist";
    params.osKind = OS_WIN7;
    p.files.AddDirectory(kPackageDir);
    p.log.Open(kLog);
    // The installer's uninstall removes what it is asked to.
    p.runner.onRun = [this](const std::string& command) {
      package_test::RemoveCopyOnUninstall(p, command);
    };
  }
  // The support log's lines that name a copy left after the uninstall.
  Lines Left() {
    Lines left;
    for (const std::string& line : p.log.TextLines(kLog))
      if (line.rfind("Copy still ", 0) == 0) left.push_back(line);
    return left;
  }
  FakePlatform p;
  UninstallParams params;
};

// Each test runs on 32-bit Windows and on each 64-bit one, whose entries are
// in the 64-bit view.
class UninstallFlow : public ::testing::TestWithParam<package_test::ViewRule> {};

TEST_P(UninstallFlow, EntriesFirstThenEveryPackageFolderOfTheStore) {
  for (bool silent : {false, true}) {
    UninstallRun run(GetParam());
    run.params.silent = silent;
    AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
    AddCopy(run.p, "B", "zavcir.inf_b", InfText("2.0"));
    // Copies in the store without an entry.
    run.p.files.AddDirectory(StoreFolder("zavcir.inf_c"));
    run.p.files.AddDirectory(StoreFolder("zavcir.inf_d"));
    run.p.files.AddFile(StoreFolder("zavcir_file"), "");  // a file, not a folder
    run.p.files.AddDirectory(StoreFolder("other"));
    const int exitCode = UninstallPackage(run.params);
    EXPECT_EQ(run.p.runner.commands,
              (Lines{package_test::EntryCommand("zavcir.inf_a", silent),
                     package_test::EntryCommand("zavcir.inf_b", silent),
                     SweepCommand(kDPInst, silent, StoreFolder("zavcir.inf_c")),
                     SweepCommand(kDPInst, silent, StoreFolder("zavcir.inf_d"))}));
    EXPECT_EQ(exitCode, SETUP_SUCCESS);
    EXPECT_EQ(run.Left(), Lines{});
    EXPECT_EQ(run.p.registry.OpenKeyCount(), 0);
  }
}

TEST_P(UninstallFlow, StoreFolderAndInstallerLocation) {
  struct Case {
    int osKind;
    bool packageDir;
    std::string command;
  } cases[] = {
      {OS_WINXP, true, SweepCommand(kDPInst, false, "C:\\Windows\\System32\\DRVSTORE\\zavcir_1")},
      {OS_VISTA, true, SweepCommand(kDPInst, false, StoreFolder("zavcir.inf_1"))},
      {OS_WIN7, true, SweepCommand(kDPInst, false, StoreFolder("zavcir.inf_1"))},
      // Without the package folder the installer beside the program is used.
      {OS_WIN7, false,
       SweepCommand("\"C:\\Dist\\DPInst.exe\"", false, StoreFolder("zavcir.inf_1"))},
  };
  for (const Case& c : cases) {
    UninstallRun run(GetParam());
    run.params.osKind = c.osKind;
    if (!c.packageDir) run.p.files.Remove(kPackageDir);
    run.p.files.AddDirectory("C:\\Windows\\System32\\DRVSTORE\\zavcir_1");
    run.p.files.AddDirectory(StoreFolder("zavcir.inf_1"));
    UninstallPackage(run.params);
    EXPECT_EQ(run.p.runner.commands, Lines{c.command}) << c.osKind;
  }
}

TEST_P(UninstallFlow, ResultsOfEntriesAndSweepAndTheDeviceCheck) {
  const bool wow64 = GetParam() != package_test::ViewRule::kOneView;
  struct Case {
    // Two entries, one of them stale (its INF is gone: its key is deleted,
    // and that counts as a failure), and their store folders.
    bool entries;
    int folders;                 // further store folders
    std::vector<DWORD> results;  // the last one repeats
    bool device, checked;        // the device is there; the pause and the check ran
    int exitCode;
  } cases[] = {
      {false, 0, {}, false, true, SETUP_SUCCESS},
      {false, 0, {}, true, true, EXIT_RESTART_NEEDED},
      {false, 3, {0}, true, true, EXIT_RESTART_NEEDED},
      {false, 3, {0, 0x40000000, 0}, false, false, EXIT_RESTART_NEEDED},
      {false, 3, {0x90000002}, true, false, EXIT_REMOVE_FAILED},
      {false, 3, {0, 0xC0000000, 0}, true, false, EXIT_RESTART_NEEDED | EXIT_REMOVE_FAILED},
      {true, 1, {0}, true, false, EXIT_REMOVE_FAILED},
  };
  for (const Case& c : cases) {
    // On 64-bit Windows the 32-bit view has a subkey named as the stale one,
    // which must stay.
    UninstallRun run(GetParam());
    run.p.device.present = c.device;
    if (c.entries) {
      AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
      AddCopy(run.p, "B", "zavcir.inf_b", InfText("2.0"));
      if (wow64) run.p.registry.AddKey(package_test::UninstallSubkey("B"), FakeRegistry::View::k32);
      run.p.files.Remove(StoreFolder("zavcir.inf_b") + "\\zavcir.inf");
    }
    for (int i = 0; i < c.folders; ++i)
      run.p.files.AddDirectory(StoreFolder("zavcir.inf_" + std::to_string(i)));
    run.p.runner.results = c.results;
    const int exitCode = UninstallPackage(run.params);
    const std::string what =
        PrintToString(c.results) + (c.device ? ", device" : "") + (c.entries ? ", entries" : "");
    // A failure does not stop the sweep: A's command (which takes A's folder
    // with it), then every folder left, B's among them.
    EXPECT_EQ(run.p.runner.commands.size(), c.folders + (c.entries ? 2u : 0u)) << what;
    EXPECT_EQ(exitCode, c.exitCode) << what;
    EXPECT_EQ(run.p.system.sleeps, std::vector<DWORD>(c.checked ? 1 : 0, 1000)) << what;
    EXPECT_EQ(run.p.device.opened, Lines(c.checked ? 1 : 0, "\\\\.\\ZavCirIndexIoInterface"))
        << what;
    EXPECT_EQ(run.p.device.controlCodes, std::vector<DWORD>(c.checked && c.device, 0x0022200D))
        << what;
    if (c.entries) {
      // A went with its command; the stale B's key was deleted in its view only.
      EXPECT_FALSE(run.p.registry.HasKey(package_test::UninstallSubkey("A"))) << what;
      EXPECT_FALSE(run.p.registry.HasKey(package_test::UninstallSubkey("B"))) << what;
      EXPECT_EQ(run.p.registry.HasKey(package_test::UninstallSubkey("B"), FakeRegistry::View::k32),
                wow64)
          << what;
    }
  }
}

// After the commands the entries and the store are read once more: every
// copy still there is named in the log and is a failed removal, whatever the
// commands answered. A bare Windows error code from a command is a failure.
TEST_P(UninstallFlow, CopiesStillThereAfterTheCommandsAreFailures) {
  struct Case {
    const char* name;
    DWORD result;         // of every command
    bool removes;         // the commands remove what they are asked to
    bool entry, folder;   // copy A's entry and A's store folder are still there
    const char* failure;  // a line for the command's result; nullptr: none
  } cases[] = {
      {"removed", 0, true, false, false, nullptr},
      {"restart needed, removed", 0x40000000, true, false, false, nullptr},
      {"success answered, nothing removed", 0, false, true, true, nullptr},
      {"failed at start", 0x65B, true, true, true,
       "The uninstall command failed at start: 0x0000065B (1627): Function failed during "
       "execution."},
      {"a count", 0x1, true, true, true,
       "The uninstall command failed at start: 0x00000001 (1), a code the system has no text "
       "for"},
      {"failure bit", 0x80000000, true, true, true, nullptr},
  };
  for (const Case& c : cases) {
    UninstallRun run(GetParam());
    run.p.device.present = true;
    if (!c.removes) run.p.runner.onRun = nullptr;
    AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
    run.p.runner.results = {c.result};
    const int exitCode = UninstallPackage(run.params);
    const bool left = c.entry || c.folder;
    // The device check runs only when nothing else was recorded.
    int expected = SETUP_SUCCESS;
    if (left) expected |= EXIT_REMOVE_FAILED;
    if ((c.result & 0x40000000) || !left) expected |= EXIT_RESTART_NEEDED;
    EXPECT_EQ(exitCode, expected) << c.name;
    Lines left_lines;
    if (c.entry)
      left_lines.push_back("Copy still registered after the uninstall: A (" +
                           package_test::EntryCommand("zavcir.inf_a", false) + ")");
    if (c.folder)
      left_lines.push_back("Copy still in the driver store after the uninstall: " +
                           StoreFolder("zavcir.inf_a"));
    EXPECT_EQ(run.Left(), left_lines) << c.name;
    const Lines lines = run.p.log.TextLines(kLog);
    // The entry's command and the sweep's command for the folder it left.
    const long failures = c.failure ? (c.folder ? 2 : 1) : 0;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), c.failure ? c.failure : ""), failures)
        << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(EachWindows, UninstallFlow,
                         ::testing::ValuesIn(package_test::kEveryViewRule),
                         package_test::ViewRuleName);

}  // namespace
