// Log-off and shutdown while the job runs, on each kind of Windows: what the
// main window's block reason makes of a refusal that Windows from Vista on
// answers by terminating a process whose windows are hidden.
#include "app/shutdown_block.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/setup_app.h"
#include "env/system_info.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Outcome = FakeShutdownControl::Outcome;
using Lines = std::vector<std::string>;

// A run from C:\Dist on 32-bit Windows of the given version, with a copy of
// the package in the driver store of each layout, so that both jobs start
// the installer.
struct JobRun {
  explicit JobRun(OsVersion version) {
    p.system.version = version;
    p.inf.AddFile("C:\\Dist\\Setup.ini",
                  {{"Dir", {{"WinXP32", "x86"}, {"Vista32", "x86"}, {"Win7_32", "x86"}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    p.files.AddDirectory("C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1");
    p.files.AddDirectory("C:\\Windows\\System32\\DRVSTORE\\zavcir_1");
  }
  // The support log's lines about the shutdown block.
  Lines ShutdownLines() {
    Lines found;
    for (const std::string& line : log.TextLines("C:\\Windows\\ZavCirSetup.log"))
      if (line.rfind("Shutdown ", 0) == 0) found.push_back(line);
    return found;
  }
  FakePlatform p;
  FakeLogFile& log = p.log;
  CSetupApp app;
};

const char kLevelSet[] = "Shutdown level 0x000003FF: asked before the other applications";

TEST(ShutdownBlockTest, ALogOffWhileTheInstallerRunsIsRefusedOnEveryWindows) {
  const std::string none =
      "Shutdown block reason not set: this Windows has none (before Vista the refusal alone "
      "holds a log-off or shutdown)";
  const OsVersion versions[] = {{VER_PLATFORM_WIN32_NT, 5, 1},
                                {VER_PLATFORM_WIN32_NT, 5, 2},
                                {VER_PLATFORM_WIN32_NT, 6, 0},
                                {VER_PLATFORM_WIN32_NT, 6, 1},
                                {VER_PLATFORM_WIN32_NT, 10, 0}};
  for (const OsVersion& version : versions) {
    for (const BOOL uninstall : {FALSE, TRUE}) {
      const std::string what = std::to_string(version.majorVersion) + "." +
                               std::to_string(version.minorVersion) + (uninstall ? " /U" : "");
      const bool vista = version.majorVersion >= 6;
      const std::string reason = CShutdownBlock::Reason(uninstall);
      JobRun run(version);
      ASSERT_TRUE(run.app.StartUp(uninstall ? Lines{"/S", "/U"} : Lines{"/S"})) << what;
      const HWND window = run.p.shutdown.CreateWindow();
      run.app.BeginJob(window);
      // Windows asks while the installer runs; the hidden window refuses.
      std::vector<Outcome> outcomes;
      std::u16string shown = u"(none)";
      run.p.runner.onRun = [&](const std::string&) {
        outcomes.push_back(run.p.shutdown.QueryEndSession(window, FALSE));
        if (run.p.shutdown.reasons.count(window)) shown = run.p.shutdown.reasons[window];
      };
      run.app.DoWork();
      run.app.EndJob();

      EXPECT_EQ(std::vector<Outcome>{Outcome::kRefused}, outcomes) << what;
      EXPECT_EQ(vista ? std::u16string(reason.begin(), reason.end()) : u"(none)", shown) << what;
      EXPECT_TRUE(run.p.shutdown.reasons.empty()) << what;  // taken away after the job
      EXPECT_EQ(0x3FFu, run.p.shutdown.level) << what;      // before the installer's 0x280
      const Lines expected = vista ? Lines{kLevelSet, "Shutdown block reason set: " + reason,
                                           "Shutdown block reason removed"}
                                   : Lines{kLevelSet, none};
      EXPECT_EQ(expected, run.ShutdownLines()) << what;
    }
  }
}

// Windows takes the reason only from the thread that created the window: set
// from another one, it fails, and the log says so.
TEST(ShutdownBlockTest, OnAnotherThreadThanTheWindowsTheReasonFailsAndTheLogSaysWhy) {
  JobRun run({VER_PLATFORM_WIN32_NT, 6, 1});
  ASSERT_TRUE(run.app.StartUp({"/S"}));
  const HWND window = run.p.shutdown.CreateWindow();
  std::thread([&] { run.app.BeginJob(window); }).join();
  EXPECT_EQ(Outcome::kTerminated, run.p.shutdown.QueryEndSession(window, FALSE));
  run.app.EndJob();  // nothing to take away
  EXPECT_EQ((Lines{kLevelSet,
                   "Shutdown block reason not set, error 5: a log-off or shutdown may end this "
                   "run"}),
            run.ShutdownLines());
}

}  // namespace
