// The support log of whole runs: what a run writes, and that nothing the run
// does depends on the log.
#include <gtest/gtest.h>

#include "app/setup_app.h"
#include "env/log_file.h"
#include "env/platform.h"
#include "env/support_log.h"
#include "package/exit_code.h"
#include "package/package_test_support.h"
#include "tests/fakes/fake_log_file.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::UninstallSubkey;
using Lines = std::vector<std::string>;

constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";
constexpr char kPackageDir[] = "C:\\Dist\\x64";

enum class LogState { kNone, kWorking, kOpenFails, kWriteFails };

// A run of Setup.exe from C:\Dist on 64-bit Windows 7: an older copy is
// registered; the installer registers the new one and reports it installed.
// A stale entry's INF is gone; the uninstall sweep finds one store folder.
struct LoggedRun {
  explicit LoggedRun(LogState state) {
    if (state == LogState::kNone) GetPlatform().log = nullptr;
    log.failOpen = state == LogState::kOpenFails;
    log.failAppend = state == LogState::kWriteFails;
    package_test::MakeWow64(p);
    p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_64", "x64"}}}});
    p.files.AddDirectory(kPackageDir);
    p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", InfText("3.0.0.2"));
    AddCopy(p, "OLD", "zavcir.inf_old", InfText("2.0"));
    p.registry.SetString(UninstallSubkey("STALE"), "UninstallString",
                         "x.exe /u c:\\windows\\inf\\gone\\zavcir.inf");
    p.runner.onRun = [this](const std::string& command) {
      if (command.find("/LM") != std::string::npos)
        AddCopy(p, "NEW", "zavcir.inf_new", InfText("3.0.0.2"));
      else
        package_test::RemoveCopyOnUninstall(p, command);
    };
  }

  // StartUp, the job and ExitInstance, as the program runs them.
  int Execute(const Lines& args, std::vector<DWORD> results) {
    p.runner.results = std::move(results);
    if (app.StartUp(args)) {
      app.BeginJob(p.shutdown.CreateWindow());
      app.DoWork();
      app.EndJob();
    }
    return app.ExitInstance();
  }

  // The log's lines without their time stamps, process ids and line ends.
  Lines LogLines() { return log.TextLines(kLog); }

  // Everything a run changes or shows, the log aside.
  std::string Outcome(int exitCode) const {
    std::string o = "exit " + std::to_string(exitCode);
    for (const std::string& c : p.runner.commands) o += "\ncommand " + c;
    for (const std::string& m : p.ui.messages) o += "\nmessage " + m;
    for (const char* key : {"OLD", "NEW", "STALE"}) {
      std::string name = "-", version = "-";
      p.registry.GetValue(UninstallSubkey(key), "DisplayName", &name);
      p.registry.GetValue(UninstallSubkey(key), "DisplayVersion", &version);
      o += "\nkey " + std::string(key) +
           (p.registry.HasKey(UninstallSubkey(key)) ? " " : " gone ") + name + " " + version;
    }
    return o;
  }

  FakePlatform p;
  FakeLogFile& log = p.log;
  CSetupApp app;
};

TEST(SupportLogRun, InstallWritesHeaderCommandsRegistryChangesTracesAndExitCode) {
  LoggedRun run(LogState::kWorking);
  EXPECT_EQ(run.Execute({"/S", "a b"}, {0x00000001, 0}), SETUP_SUCCESS);
  const std::string key = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::string detection = "HKLM\\SOFTWARE\\ZAV\\ZAV CIR Receiver Driver (64-bit view) ";
  const std::string oldInf =
      "c:\\windows\\system32\\driverstore\\filerepository\\zavcir.inf_old\\zavcir.inf";
  EXPECT_EQ(
      run.LogLines(),
      (Lines{
          "==== Setup 2.2.0.0 started, command line: /S \"a b\"",
          "Program folder: C:\\Dist",
          "Windows: Windows 7 or later (OS kind 5), version 6.1, platform 2, WOW64 yes, "
          "code page 20127",
          "Mode: install, silent; edition tag: Win7_64",
          "Package folder: C:\\Dist\\x64",
          "Shutdown level 0x000003FF: asked before the other applications",
          "Shutdown block reason set: Installing the ZAV CIR Receiver Driver.",
          "Run guard Global\\ZavCirReceiverDriverSetup taken at once",
          "Install +",
          "Command: \"C:\\Dist\\x64\\DPInst.exe\" /LM /SW /F",
          "Command result: 0x00000001",
          "Registry write " + key +
              "NEW (64-bit view) DisplayName = \"ZAV CIR Receiver Driver\" (REG_SZ): result 0",
          "Registry write " + key +
              "NEW (64-bit view) DisplayVersion = \"3.0.0.2\" (REG_SZ): result 0",
          "Uninstall entry: OLD c:\\program files\\difx\\dpinst.exe /u " + oldInf,
          "Execute this uninstall entry",
          "Command: c:\\program files\\difx\\dpinst.exe /s /u " + oldInf,
          "Command result: 0x00000000",
          oldInf + " was successfully deleted",
          "Uninstall entry: STALE x.exe /u c:\\windows\\inf\\gone\\zavcir.inf",
          "Manually remove this uninstall entry because its preinstalled driver package "
          "path is invalid",
          "Registry delete " + key + "STALE (64-bit view): result 0",
          "Remove OK",
          "Registry write " + detection + "DisplayVersion = \"3.0.0.2\" (REG_SZ): result 0",
          "Registry write " + detection + "UninstallKey = \"NEW\" (REG_SZ): result 0",
          "Registry write " + detection + "Copies = 1 (REG_DWORD): result 0",
          "Install -",
          "Giving up the run guard",
          "Shutdown block reason removed",
          "Exit code 0x00000000 (success)",
      }));
  // Every line reaches the debugger output too, the log's own behind a prefix.
  EXPECT_EQ(run.log.debugOutput.front(),
            "ZavCirSetup: ==== Setup 2.2.0.0 started, command line: /S \"a b\"\n");
  EXPECT_EQ(run.log.debugOutput.size(), run.LogLines().size());
}

TEST(SupportLogRun, ProgramFolderLineNamesTheFormUsedOrWhyThereIsNone) {
  const std::u16string deep = u"C:\\deep\\" + std::u16string(282, u'x') + u"\\Setup.exe";
  const std::string deepDir = "C:\\deep\\" + std::string(282, 'x');
  const std::string move = "; move the distribution to a plainer folder";
  enum Volume { kShortNames, kNoShortNames, kUnreadable };
  struct Case {
    std::u16string module;
    Volume volume;
    std::string line;  // the header's second line
  } cases[] = {
      {u"C:\\Dist\\Setup.exe", kShortNames, "Program folder: C:\\Dist"},
      {u"C:\\Users\\Дмитрий\\Setup.exe", kShortNames,
       "Program folder: C:\\Users\\DMITRI~1 (the short form of C:\\Users\\???????, which code page "
       "1252 cannot name)"},
      {deep, kShortNames,
       "Program folder: C:\\DEEP~1\\XXXX~1 (the short form of " + deepDir +
           ", whose path has 300 characters, more than 259)"},
      {u"C:\\Users\\Дмитрий\\Setup.exe", kNoShortNames,
       "Program folder: none: C:\\Users\\??????? cannot be named in code page 1252, and its short "
       "form is the same (names short already, or a volume without short names)" +
           move},
      {u"C:\\Users\\Дмитрий\\Setup.exe", kUnreadable,
       "Program folder: none: C:\\Users\\??????? cannot be named in code page 1252, and its short "
       "form could not be read" +
           move},
      {u"C:\\Σ\\Дмитрий\\Setup.exe", kShortNames,
       "Program folder: none: C:\\?\\??????? cannot be named in code page 1252, nor its short "
       "form C:\\?\\DMITRI~1" +
           move},
      {deep, kNoShortNames,
       "Program folder: none: " + deepDir +
           ": the path has 300 characters (300 in its short form), more than 259" + move},
      {deep, kUnreadable,
       "Program folder: none: " + deepDir +
           ": the path has 300 characters (its short form could not be read), more than 259" +
           move},
      {u"", kShortNames, "Program folder: none: the system did not tell the program's own path"},
  };
  for (const auto& c : cases) {
    LoggedRun run(LogState::kWorking);
    run.p.system.moduleFileName = c.module;
    run.p.system.codePage.number = 1252;
    run.p.system.shortNames = {{u"Дмитрий", u"DMITRI~1"},
                               {u"Σ", u"Σ"},
                               {u"deep", u"DEEP~1"},
                               {std::u16string(282, u'x'), u"XXXX~1"}};
    run.p.system.shortNamesOff = c.volume == kNoShortNames;
    run.p.system.shortPathFails = c.volume == kUnreadable;
    const int exitCode = run.Execute({}, {1});
    const Lines lines = run.LogLines();
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(c.line, lines[1]);
    if (c.line.find("none") != std::string::npos) {
      // Start-up then fails as without Setup.ini, and the log says so too.
      EXPECT_EQ(EXIT_SETUP_FAILED, exitCode) << c.line;
      EXPECT_EQ(Lines({"Start-up failed: Failed to open Setup.ini file",
                       "Exit code 0x00000004 (setup failed)"}),
                Lines(lines.end() - 2, lines.end()))
          << c.line;
    }
  }
}

// Started from a drive letter that this run lacks (a network drive mapped
// without elevation, for a run as administrator), Setup cannot read its own
// folder: the failure's log line names the drive and the remedy; the box keeps
// its text. A drive that exists, or a share, fails without that reason.
TEST(SupportLogRun, AStartUpFailureNamesTheProgramsDriveWhenThisRunLacksIt) {
  const std::string why =
      " does not exist for this run (a drive mapped without administrator rights is missing "
      "where programs run as administrator): start Setup.exe by its network path "
      "(\\\\server\\share\\...)";
  struct Case {
    std::u16string module;
    UINT driveZ;         // the type of Z:\, or DRIVE_NO_ROOT_DIR: no such drive
    std::string reason;  // after the failure's text
  } cases[] = {
      {u"Z:\\dist\\Setup.exe", DRIVE_NO_ROOT_DIR, "; drive Z:" + why},
      {u"z:\\Setup.exe", DRIVE_NO_ROOT_DIR, "; drive z:" + why},
      {u"Z:\\dist\\Setup.exe", DRIVE_REMOTE, ""},
      {u"\\\\server\\share\\Setup.exe", DRIVE_NO_ROOT_DIR, ""},
  };
  for (const auto& c : cases) {
    for (const bool silent : {false, true}) {
      LoggedRun run(LogState::kWorking);
      run.p.system.moduleFileName = c.module;
      if (c.driveZ != DRIVE_NO_ROOT_DIR) run.p.files.driveTypes["z:\\"] = c.driveZ;
      EXPECT_EQ(EXIT_SETUP_FAILED, run.Execute(silent ? Lines{"/S"} : Lines{}, {}));
      const std::string failed =
          silent ? "Start-up failed (silent, no message shown): " : "Start-up failed: ";
      const Lines lines = run.LogLines();
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(failed + "Failed to open Setup.ini file" + c.reason, lines[lines.size() - 2]);
      EXPECT_EQ(silent ? Lines{} : Lines{"Failed to open Setup.ini file"}, run.p.ui.messages);
    }
  }
}

// Windows ends the session while the installer runs: the frame's end-of-session
// handling calls ExitInstance, after which Windows may end the process at any
// moment. The log says the run was cut off, never an exit code of success that
// the job had not earned. Should the process live on to the job's end, that end
// writes the exit code as usual.
TEST(SupportLogRun, ASessionEndingDuringTheJobCutsTheRunOff) {
  const std::string cutOff =
      "Run cut off by the end of the Windows session while the job was running: its outcome is "
      "unknown";
  for (const char* mode : {"/S", "/U"}) {
    LoggedRun run(LogState::kWorking);
    const auto registers = run.p.runner.onRun;
    Lines atSessionEnd;
    run.p.runner.onRun = [&](const std::string& command) {
      registers(command);
      if (!atSessionEnd.empty()) return;
      run.app.NoteSessionEndDuringJob();
      run.app.ExitInstance();  // the result is dropped
      atSessionEnd = run.LogLines();
    };
    const int exitCode = run.Execute({"/S", mode}, {0x00000001, 0});
    ASSERT_GE(atSessionEnd.size(), 2u) << mode;
    EXPECT_EQ(atSessionEnd.back(), cutOff) << mode;
    EXPECT_EQ(atSessionEnd[atSessionEnd.size() - 2].rfind("Command: ", 0), 0u) << mode;
    for (const std::string& line : atSessionEnd)
      EXPECT_EQ(line.rfind("Exit code", 0), std::string::npos) << mode;
    EXPECT_EQ(run.LogLines().back(), "Exit code " + DescribeExitCode(exitCode)) << mode;
  }
}

TEST(SupportLogRun, NothingDependsOnTheLog) {
  const Lines argSets[] = {{}, {"/S"}, {"/U"}, {"/U", "/S"}};
  for (const Lines& args : argSets) {
    LoggedRun reference(LogState::kNone);
    const std::string expected = reference.Outcome(reference.Execute(args, {1, 0x40000000}));
    for (LogState state : {LogState::kWorking, LogState::kOpenFails, LogState::kWriteFails}) {
      LoggedRun run(state);
      EXPECT_EQ(run.Outcome(run.Execute(args, {1, 0x40000000})), expected)
          << "state " << static_cast<int>(state) << ", " << ::testing::PrintToString(args);
      if (state != LogState::kWorking) {
        EXPECT_EQ(run.log.files[kLog], "");
      }
    }
  }
}

}  // namespace
