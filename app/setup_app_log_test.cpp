// The support log of whole runs: what a run writes, and that nothing the run
// does depends on the log.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/setup_app.h"
#include "env/support_log.h"
#include "package/package_test_support.h"
#include "tests/fakes/fake_log_file.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::kUninstallKey;
using Lines = std::vector<std::string>;

constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";
constexpr char kPackageDir[] = "C:\\Dist\\x64";
const std::string kKeyLog = std::string("HKLM\\") + kUninstallKey;

enum class LogState { kNone, kWorking, kOpenFails, kWriteFails };

// A run of Setup.exe from C:\Dist on 64-bit Windows 7: an older copy is
// registered; the installer registers the new one and reports it installed.
// The uninstall sweep finds one store folder and a stale entry whose INF is gone.
class LoggedRun {
 public:
  explicit LoggedRun(LogState state) {
    if (state != LogState::kNone) GetPlatform().log = &log;
    log.failOpen = state == LogState::kOpenFails;
    log.failAppend = state == LogState::kWriteFails;
    package_test::MakeWow64(p);
    p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_64", "x64"}}}});
    p.files.AddDirectory(kPackageDir);
    p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", InfText("3.0.0.2"));
    AddCopy(p, "OLD", "zavcir.inf_old", InfText("2.0"));
    p.registry.SetString(std::string(kUninstallKey) + "\\STALE", "UninstallString",
                         "x.exe /u c:\\windows\\inf\\gone\\zavcir.inf", FakeRegistry::View::k64);
    p.runner.onRun = [this](const std::string& command) {
      if (command.find("/LM") != std::string::npos)
        AddCopy(p, "NEW", "zavcir.inf_new", InfText("3.0.0.2"));
    };
  }

  // StartUp, the job and ExitInstance, as the program runs them.
  int Execute(const Lines& args, std::vector<DWORD> results) {
    p.runner.results = std::move(results);
    if (app.StartUp(args)) app.DoWork();
    return app.ExitInstance();
  }

  // The log's lines without their time stamps and line ends.
  Lines LogLines() {
    Lines lines;
    const std::string& text = log.files[kLog];
    for (size_t pos = 0; pos < text.size();) {
      const size_t end = text.find("\r\n", pos);
      lines.push_back(text.substr(pos + 24, end - pos - 24));  // "YYYY-MM-DD hh:mm:ss.mmm "
      pos = end + 2;
    }
    return lines;
  }

  // Everything a run changes or shows, the log aside.
  struct Outcome {
    int exitCode;
    Lines commands, traces, messages, registry;
    bool operator==(const Outcome& o) const {
      return exitCode == o.exitCode && commands == o.commands && traces == o.traces &&
             messages == o.messages && registry == o.registry;
    }
  };
  Outcome Result(int exitCode) const {
    Outcome o{exitCode, p.runner.commands, p.trace.lines, p.ui.messages, {}};
    for (const char* key : {"OLD", "NEW", "STALE"}) {
      const std::string path = std::string(kUninstallKey) + "\\" + key;
      std::string name, version;
      p.registry.GetValue(path, "DisplayName", &name, nullptr, FakeRegistry::View::k64);
      p.registry.GetValue(path, "DisplayVersion", &version, nullptr, FakeRegistry::View::k64);
      o.registry.push_back(std::string(key) + ":" +
                           (p.registry.HasKey(path, FakeRegistry::View::k64) ? "yes" : "no") + ":" +
                           name + ":" + version);
    }
    return o;
  }

  FakePlatform p;
  FakeLogFile log;
  CSetupApp app;
};

TEST(SupportLogRun, InstallWritesHeaderCommandsRegistryWritesTracesAndExitCode) {
  LoggedRun run(LogState::kWorking);
  run.p.system.version = OsVersion{2, 6, 1};
  EXPECT_EQ(run.Execute({"/S", "a b"}, {0x00000001, 0}), 0);
  const std::string newKey = kKeyLog + "\\NEW (64-bit view)";
  const std::string oldCommand =
      "c:\\program files\\difx\\dpinst.exe /s /u "
      "c:\\windows\\system32\\driverstore\\filerepository\\zavcir.inf_old\\zavcir.inf";
  EXPECT_EQ(run.LogLines(),
            (Lines{
                "==== Setup 2.2.0.0 started, command line: /S \"a b\"",
                "Program folder: C:\\Dist",
                "Windows: Windows 7 or later (OS kind 5), version 6.1, platform 2, WOW64 yes, "
                "code page 20127",
                "Mode: install, silent; edition tag: Win7_64",
                "Package folder: C:\\Dist\\x64",
                "Install +",
                "Command: \"C:\\Dist\\x64\\DPInst.exe\" /LM /SW /F",
                "Command result: 0x00000001",
                "Registry write " + newKey +
                    " DisplayName = \"ZAV CIR Receiver Driver\" (REG_SZ): result 0",
                "Registry write " + newKey + " DisplayVersion = \"3.0.0.2\" (REG_SZ): result 0",
                "Uninstall entry: OLD " + oldCommand.substr(0, oldCommand.find("/s ")) +
                    oldCommand.substr(oldCommand.find("/u ")),
                "Execute this uninstall entry",
                "Command: " + oldCommand,
                "Command result: 0x00000000",
                "Uninstall entry: STALE x.exe /u c:\\windows\\inf\\gone\\zavcir.inf",
                "Manually remove this uninstall entry because its preinstalled driver package "
                "path is invalid",
                "Registry delete " + kKeyLog + "\\STALE (64-bit view): result 0",
                "Remove OK",
                "Install -",
                "Exit code 0x00000000 (success)",
            }));
  // The log's own lines reach the debugger output too; the Trace lines reach
  // it through the trace sink, as before.
  EXPECT_EQ(run.log.debugOutput.front(),
            "ZavCirSetup: ==== Setup 2.2.0.0 started, command line: /S \"a b\"\n");
  EXPECT_EQ(run.log.debugOutput.back(), "ZavCirSetup: Exit code 0x00000000 (success)\n");
  EXPECT_EQ(run.log.debugOutput.size() + run.p.trace.lines.size(), run.LogLines().size());
}

TEST(SupportLogRun, UninstallLogsDeletedKeysResultsAndTheExitBits) {
  LoggedRun run(LogState::kWorking);
  run.p.files.AddDirectory(package_test::StoreFolder("zavcir.inf_x"));
  // OLD's command, then the store sweep's DPInst.
  EXPECT_EQ(run.Execute({"/u"}, {0, 0xC0000000}), 3);
  const Lines lines = run.LogLines();
  auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("Mode: uninstall; edition tag: Win7_64"));
  EXPECT_TRUE(has("Registry delete " + kKeyLog + "\\STALE (64-bit view): result 0"));
  EXPECT_TRUE(has("Remove OK"));
  EXPECT_TRUE(has("Command result: 0xC0000000"));
  EXPECT_EQ(lines.back(), "Exit code 0x00000003 (restart needed, removal failed)");
}

TEST(SupportLogRun, ASilentStartUpFailureLeavesItsReasonInTheLog) {
  struct Case {
    Lines args;
    const char* line;
  } cases[] = {
      {{"/S"}, "Start-up failed (silent, no message shown): Failed to open Setup.ini file"},
      {{}, "Start-up failed: Failed to open Setup.ini file"},
  };
  for (const auto& c : cases) {
    LoggedRun run(LogState::kWorking);
    run.p.inf = FakeInfParser();  // no Setup.ini
    EXPECT_EQ(run.Execute(c.args, {}), 4);
    const Lines lines = run.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], c.line);
    EXPECT_EQ(lines.back(), "Exit code 0x00000004 (setup failed)");
  }
}

TEST(SupportLogRun, NothingDependsOnTheLog) {
  const LogState states[] = {LogState::kWorking, LogState::kOpenFails, LogState::kWriteFails};
  const Lines argSets[] = {{}, {"/S"}, {"/U"}, {"/U", "/S"}};
  for (const Lines& args : argSets) {
    LoggedRun reference(LogState::kNone);
    const LoggedRun::Outcome expected = reference.Result(reference.Execute(args, {1, 0x40000000}));
    for (LogState state : states) {
      LoggedRun run(state);
      EXPECT_TRUE(run.Result(run.Execute(args, {1, 0x40000000})) == expected)
          << "state " << static_cast<int>(state) << ", " << args.size() << " arguments";
      if (state != LogState::kWorking) {
        EXPECT_EQ(run.log.files[kLog], "");
      }
    }
  }
}

}  // namespace
