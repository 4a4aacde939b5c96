#include <gtest/gtest.h>

#include <cctype>

#include "app/exit_code.h"
#include "app/setup_app.h"
#include "package/package_test_support.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::StoreFolder;
using Lines = std::vector<std::string>;

constexpr char kPackageDir[] = "C:\\Dist\\Win7_64";
constexpr char kDPInst[] = "\"C:\\Dist\\Win7_64\\DPInst.exe\"";

// The sweep's command for one store folder.
std::string SweepCommand(const std::string& location, bool silent, const std::string& folder) {
  return location + (silent ? " /s" : " ") + " /u \"" + folder + "\\zavcir.inf\"";
}

// One uninstall run on Windows 7 with the package in kPackageDir.
class UninstallRun {
 public:
  UninstallRun() {
    app.m_strPackageDir = kPackageDir;
    app.m_strModuleDir = "C:\\Dist";
    app.m_nOsKind = 5;
    p.files.AddDirectory(kPackageDir);
  }
  // Store folders only, without Uninstall entries.
  void AddStoreFolders(const Lines& names) {
    for (const std::string& name : names) p.files.AddDirectory(StoreFolder(name));
  }
  // The commands that the store sweep ran (those that name our DPInst.exe).
  Lines SweepCommands() const {
    Lines sweep;
    for (const std::string& c : p.runner.commands)
      if (c.rfind("\"C:\\Dist", 0) == 0) sweep.push_back(c);
    return sweep;
  }

  FakePlatform p;
  CSetupApp app;
};

TEST(UninstallFlow, NothingFoundEndsWithThePauseAndTheDeviceCheck) {
  for (bool present : {false, true}) {
    UninstallRun run;
    run.p.device.present = present;
    run.app.DoUninstall();
    EXPECT_TRUE(run.p.runner.commands.empty());
    EXPECT_TRUE(run.p.trace.lines.empty());
    EXPECT_EQ(run.p.system.sleeps, std::vector<DWORD>{1000});
    EXPECT_EQ(run.p.device.opened, Lines{"\\\\.\\ZavCirIndexIoInterface"});
    if (present) {
      EXPECT_EQ(run.p.device.controlCodes, std::vector<DWORD>{0x0022200D});
    }
    EXPECT_EQ(run.app.m_nExitCode, present ? EXIT_RESTART_NEEDED : 0);
  }
}

TEST(UninstallFlow, EntriesAndStoreCopiesAreRemoved) {
  for (BOOL silent : {FALSE, TRUE}) {
    UninstallRun run;
    run.app.m_cmdInfo.m_bSilent = silent;
    AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
    AddCopy(run.p, "B", "zavcir.inf_b", InfText("2.0"));
    run.p.files.AddFile(StoreFolder("zavcir_file"), "");  // a file, not a folder
    run.p.files.AddDirectory(StoreFolder("other"));
    run.app.DoUninstall();
    std::string a = package_test::StoreUninstallCommand("zavcir.inf_a");
    for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (silent) a.replace(a.find("/u "), 3, "/s /u ");
    ASSERT_EQ(run.p.runner.commands.size(), 4u);
    EXPECT_EQ(run.p.runner.commands[0], a);
    EXPECT_EQ(run.SweepCommands(),
              (Lines{SweepCommand(kDPInst, silent, StoreFolder("zavcir.inf_a")),
                     SweepCommand(kDPInst, silent, StoreFolder("zavcir.inf_b"))}));
    EXPECT_EQ(run.app.m_nExitCode, 0);
    EXPECT_EQ(run.p.registry.OpenKeyCount(), 0);
  }
}

TEST(UninstallFlow, NonSilentSweepKeepsTwoBlanksBeforeU) {
  UninstallRun run;
  run.AddStoreFolders({"zavcir.inf_x"});
  run.app.DoUninstall();
  EXPECT_EQ(
      run.p.runner.commands,
      Lines{"\"C:\\Dist\\Win7_64\\DPInst.exe\"  /u "
            "\"C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x\\zavcir.inf\""});
}

TEST(UninstallFlow, StorePatternFollowsTheOsKind) {
  struct Case {
    int osKind;
    const char* folder;
  } cases[] = {
      {3, "C:\\Windows\\System32\\DRVSTORE\\zavcir_1"},
      {4, "C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_1"},
      {5, "C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_1"},
  };
  for (const Case& c : cases) {
    UninstallRun run;
    run.app.m_nOsKind = c.osKind;
    run.p.files.AddDirectory("C:\\Windows\\System32\\DRVSTORE\\zavcir_1");
    run.AddStoreFolders({"zavcir.inf_1"});
    run.app.DoUninstall();
    EXPECT_EQ(run.p.runner.commands, Lines{SweepCommand(kDPInst, false, c.folder)}) << c.osKind;
  }
}

TEST(UninstallFlow, ResultBitsOfTheSweep) {
  struct Case {
    std::vector<DWORD> results;
    int exitCode;
  } cases[] = {
      {{0, 0, 0}, 0},
      {{0, 0x40000000, 0}, EXIT_RESTART_NEEDED},
      {{0x90000002, 0x90000002, 0x90000002}, EXIT_REMOVE_FAILED},
      {{0, 0xC0000000, 0}, EXIT_RESTART_NEEDED | EXIT_REMOVE_FAILED},
  };
  for (const Case& c : cases) {
    UninstallRun run;
    run.p.device.present = true;
    run.AddStoreFolders({"zavcir.inf_1", "zavcir.inf_2", "zavcir.inf_3"});
    run.p.runner.results = c.results;
    run.app.DoUninstall();
    EXPECT_EQ(run.p.runner.commands.size(), 3u);  // a failure does not stop the sweep
    // The pause and the device check only when nothing was recorded.
    const int expected = c.exitCode ? c.exitCode : EXIT_RESTART_NEEDED;
    EXPECT_EQ(run.app.m_nExitCode, expected);
    EXPECT_EQ(run.p.device.opened.size(), c.exitCode ? 0u : 1u);
    EXPECT_EQ(run.p.system.sleeps.size(), c.exitCode ? 0u : 1u);
  }
}

TEST(UninstallFlow, AFailingEntrySetsRemoveFailedAndTheSweepGoesOn) {
  UninstallRun run;
  run.p.device.present = true;
  AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
  // B's INF is gone: its key is deleted, and that counts as a failure.
  AddCopy(run.p, "B", "zavcir.inf_b", InfText("2.0"));
  run.p.files.Remove(StoreFolder("zavcir.inf_b") + "\\zavcir.inf");
  run.app.DoUninstall();
  EXPECT_EQ(run.app.m_nExitCode, EXIT_REMOVE_FAILED);
  EXPECT_EQ(run.SweepCommands().size(), 2u);
  EXPECT_TRUE(run.p.device.opened.empty());
  EXPECT_TRUE(run.p.system.sleeps.empty());
}

TEST(UninstallFlow, MissingPackageDirectoryUsesTheProgramsOwnDirectory) {
  UninstallRun run;
  run.p.files.Remove(kPackageDir);
  run.AddStoreFolders({"zavcir.inf_x"});
  run.app.DoUninstall();
  EXPECT_EQ(run.p.runner.commands,
            Lines{SweepCommand("\"C:\\Dist\\DPInst.exe\"", false, StoreFolder("zavcir.inf_x"))});
}

TEST(UninstallFlow, Wow64KeepsRedirectionOffForTheWholeFlow) {
  UninstallRun run;
  package_test::MakeWow64(run.p);
  AddCopy(run.p, "A", "zavcir.inf_a", InfText("1.0"));
  run.p.runner.onRun = [&run](const std::string& command) {
    EXPECT_TRUE(run.p.system.redirectionOff) << command;
  };
  run.app.DoUninstall();
  EXPECT_EQ(run.p.runner.commands.size(), 2u);
  EXPECT_EQ(run.p.system.disableCalls, 1);
  EXPECT_EQ(run.p.system.revertCalls, 1);
  EXPECT_FALSE(run.p.system.redirectionOff);
}

}  // namespace
