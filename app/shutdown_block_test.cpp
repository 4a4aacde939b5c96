// Log-off and shutdown while the job runs, on each kind of Windows: what the
// main window's block reason makes of a refusal that Windows may otherwise
// answer by terminating the process.
#include "app/shutdown_block.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/setup_app.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Outcome = FakeShutdownControl::Outcome;
using Lines = std::vector<std::string>;

constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";

// The support log's lines about the shutdown block, in order.
Lines ShutdownLines(FakeLogFile& log) {
  Lines found;
  for (const std::string& line : log.TextLines(kLog))
    if (line.rfind("Shutdown ", 0) == 0) found.push_back(line);
  return found;
}

// A run from C:\Dist on 32-bit Windows of the given version, with a copy of
// the package in the driver store of each layout, so that both jobs start
// the installer.
struct JobRun {
  explicit JobRun(OsVersion version) {
    GetPlatform().log = &log;
    p.system.version = version;
    p.inf.AddFile("C:\\Dist\\Setup.ini",
                  {{"Dir", {{"WinXP32", "x86"}, {"Vista32", "x86"}, {"Win7_32", "x86"}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    p.files.AddDirectory("C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1");
    p.files.AddDirectory("C:\\Windows\\System32\\DRVSTORE\\zavcir_1");
  }
  FakePlatform p;
  FakeLogFile log;
  CSetupApp app;
};

TEST(ShutdownBlockTest, ALogOffWhileTheInstallerRunsIsRefusedOnEveryWindows) {
  struct Case {
    const char* name;
    OsVersion version;
    bool blockReasons;  // the system has them
  } cases[] = {
      {"XP", {VER_PLATFORM_WIN32_NT, 5, 1}, false},
      {"XP x64", {VER_PLATFORM_WIN32_NT, 5, 2}, false},
      {"Vista", {VER_PLATFORM_WIN32_NT, 6, 0}, true},
      {"7", {VER_PLATFORM_WIN32_NT, 6, 1}, true},
      {"10", {VER_PLATFORM_WIN32_NT, 10, 0}, true},
  };
  for (const Case& c : cases) {
    for (const BOOL uninstall : {FALSE, TRUE}) {
      const std::string what = std::string(c.name) + (uninstall ? ", uninstall" : ", install");
      const std::string reason = CShutdownBlock::Reason(uninstall);
      JobRun run(c.version);
      ASSERT_TRUE(run.app.StartUp(uninstall ? Lines{"/S", "/U"} : Lines{"/S"})) << what;
      const HWND window = run.p.shutdown.CreateWindow();
      run.app.BeginJob(window);
      // Windows asks while the installer runs; the window refuses, hidden.
      std::vector<Outcome> outcomes;
      std::vector<std::u16string> reasons;
      run.p.runner.onRun = [&](const std::string&) {
        outcomes.push_back(run.p.shutdown.QueryEndSession(window, FALSE));
        const auto it = run.p.shutdown.reasons.find(window);
        reasons.push_back(it == run.p.shutdown.reasons.end() ? u"(none)" : it->second);
      };
      run.app.DoWork();
      run.app.EndJob();

      EXPECT_EQ(std::vector<Outcome>{Outcome::kRefused}, outcomes) << what;
      const std::u16string shown(reason.begin(), reason.end());
      EXPECT_EQ(std::vector<std::u16string>{c.blockReasons ? shown : u"(none)"}, reasons) << what;
      EXPECT_TRUE(run.p.shutdown.reasons.empty()) << what;  // taken away after the job
      EXPECT_EQ(0x3FFu, run.p.shutdown.level) << what;      // asked before the installer (0x280)
      EXPECT_EQ(0u, run.p.shutdown.flags) << what;
      const Lines blockLines =
          c.blockReasons
              ? Lines{"Shutdown block reason set: " + reason, "Shutdown block reason removed"}
              : Lines{
                    "Shutdown block reason not set: this Windows has none (before Vista the "
                    "refusal alone holds a log-off or shutdown)"};
      Lines expected{"Shutdown level 0x000003FF: asked before the other applications"};
      expected.insert(expected.end(), blockLines.begin(), blockLines.end());
      EXPECT_EQ(expected, ShutdownLines(run.log)) << what;
    }
  }
}

// Windows takes the calls only from the thread that created the window: a
// reason set from the worker would fail, and the log says so.
TEST(ShutdownBlockTest, OnAnotherThreadThanTheWindowsTheReasonFailsAndTheLogSaysWhy) {
  JobRun run({VER_PLATFORM_WIN32_NT, 6, 1});
  ASSERT_TRUE(run.app.StartUp({"/S"}));
  const HWND window = run.p.shutdown.CreateWindow();
  std::thread([&] { run.app.BeginJob(window); }).join();
  EXPECT_EQ(Outcome::kTerminated, run.p.shutdown.QueryEndSession(window, FALSE));
  run.app.EndJob();  // nothing to take away
  EXPECT_EQ((Lines{"Shutdown level 0x000003FF: asked before the other applications",
                   "Shutdown block reason not set, error 5: a log-off or shutdown may end this "
                   "run"}),
            ShutdownLines(run.log));
}

}  // namespace
