// The machine's run guard around the job, in both modes: the wait in slices,
// the take-over of an abandoned guard, the give-up after the limit (on a fake
// clock, so nothing here waits), and the guard that cannot be had.
#include "app/run_guard.h"

#include <gtest/gtest.h>

#include "app/setup_app.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Holder = FakeSynchronization::Holder;
using Lines = std::vector<std::string>;
using Waits = std::vector<DWORD>;

constexpr DWORD kForever = 0xFFFFFFFF;
constexpr DWORD kMinute = 60000;
const std::string kGuard = "Run guard Global\\ZavCirReceiverDriverSetup";
const std::string kWaiting =
    kGuard + " is held by another run of Setup: waiting for it, at most 30 minutes";
const std::string kGivenUp = "Giving up the run guard";

// A run of C:\Dist\Setup.exe on 32-bit Windows 7 with one copy of the package
// in the driver store, so that either mode starts a command.
struct GuardedRun {
  GuardedRun() {
    GetPlatform().log = &log;
    p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    p.files.AddDirectory("C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1");
    p.runner.onRun = [this](const std::string&) { holders.push_back(p.sync.holder); };
    p.sync.onRelease = [this] { linesAtRelease = GuardLines().size(); };
  }

  int Execute(const Lines& args) {
    if (app.StartUp(args)) app.DoWork();
    return app.ExitInstance();
  }

  // The log's lines about the guard, without time stamps and process ids.
  Lines GuardLines() {
    Lines lines;
    const std::string& text = log.files["C:\\Windows\\ZavCirSetup.log"];
    for (size_t pos = 0; pos < text.size();) {
      const size_t end = text.find("\r\n", pos);
      const std::string line = text.substr(pos + 31, end - pos - 31);  // stamp and "[4242] "
      if (line.find("run guard") != std::string::npos || line.rfind("Run guard", 0) == 0)
        lines.push_back(line);
      pos = end + 2;
    }
    return lines;
  }

  FakePlatform p;
  FakeLogFile log;
  CSetupApp app;
  std::vector<Holder> holders;  // who held the guard while each command ran
  size_t linesAtRelease = 0;    // guard lines in the log when the guard was released
};

// The lines of a wait that reaches the limit, before its outcome.
Lines WaitingMinutes() {
  Lines lines = {kWaiting};
  for (int minute = 1; minute < 30; ++minute)
    lines.push_back("Still waiting for the run guard: " + std::to_string(minute * 60) +
                    ".000 s so far");
  return lines;
}

Lines Then(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

Waits Slices(std::initializer_list<DWORD> after) {
  Waits waits = {0};
  for (int i = 0; i < 30; ++i) waits.push_back(kMinute);
  waits.insert(waits.end(), after.begin(), after.end());
  return waits;
}

TEST(RunGuard, TheJobRunsOnlyWhileThisRunHoldsTheGuard) {
  struct Case {
    const char* what;
    Holder holder;
    DWORD holdsForMs;  // kForever: never lets go
    bool abandons;     // the holder ends without giving it up (or has already)
    DWORD createError, openError, waitError;
    DWORD startTicks;
    bool runs;
    Waits waits;
    Lines lines;
  } cases[] = {
      {"free",
       Holder::kNobody,
       0,
       false,
       0,
       0,
       0,
       1000,
       true,
       {0},
       {kGuard + " taken at once", kGivenUp}},
      {"held by another run for 90 s",
       Holder::kOtherRun,
       90000,
       false,
       0,
       0,
       0,
       1000,
       true,
       {0, kMinute, kMinute},
       {kWaiting, "Still waiting for the run guard: 60.000 s so far",
        kGuard + " taken after waiting 90.000 s", kGivenUp}},
      {"the holder is killed after 5 s",
       Holder::kOtherRun,
       5000,
       true,
       0,
       0,
       0,
       1000,
       true,
       {0, kMinute},
       {kWaiting,
        kGuard +
            " taken over after waiting 5.000 s: the run that held it ended without giving it up",
        kGivenUp}},
      {"left abandoned before this run",
       Holder::kNobody,
       0,
       true,
       0,
       0,
       0,
       1000,
       true,
       {0},
       {kGuard + " taken over at once: the run that held it ended without giving it up", kGivenUp}},
      {"let go a millisecond before the limit", Holder::kOtherRun, 30 * kMinute - 1, false, 0, 0, 0,
       1000, true, Slices({}),
       Then(WaitingMinutes(), {kGuard + " taken after waiting 1799.999 s", kGivenUp})},
      {"held for ever", Holder::kOtherRun, kForever, false, 0, 0, 0, 1000, false, Slices({}),
       Then(WaitingMinutes(), {"Run guard still held by the other run after 1800.000 s: ending "
                               "with nothing done; run Setup again later"})},
      {"held for ever while the tick count wraps", Holder::kOtherRun, kForever, false, 0, 0, 0,
       0xFFFF0000, false, Slices({}),
       Then(WaitingMinutes(), {"Run guard still held by the other run after 1800.000 s: ending "
                               "with nothing done; run Setup again later"})},
      {"made by another account: opened to wait and release",
       Holder::kOtherRun,
       1000,
       false,
       ERROR_ACCESS_DENIED,
       0,
       0,
       1000,
       true,
       {0, kMinute},
       {kWaiting, kGuard + " taken after waiting 1.000 s", kGivenUp}},
      {"made by another account that grants nothing",
       Holder::kOtherRun,
       kForever,
       false,
       ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED,
       0,
       1000,
       false,
       {},
       {kGuard + " cannot be opened, error 5: ending with nothing done"}},
      {"the name belongs to an event",
       Holder::kNobody,
       0,
       false,
       ERROR_INVALID_HANDLE,
       0,
       0,
       1000,
       false,
       {},
       {kGuard + " cannot be opened, error 6: ending with nothing done"}},
      {"the wait fails",
       Holder::kNobody,
       0,
       false,
       0,
       0,
       ERROR_INVALID_HANDLE,
       1000,
       false,
       {0},
       {"Waiting for the run guard failed, error 6: ending with nothing done"}},
  };
  for (const auto& c : cases) {
    for (const Lines& args : {Lines{"/S"}, Lines{"/S", "/U"}}) {
      GuardedRun run;
      FakeSynchronization& sync = run.p.sync;
      sync.holder = c.holder;
      sync.otherHoldsForMs = c.holdsForMs == kForever ? 0 : c.holdsForMs;
      sync.otherHoldsForever = c.holdsForMs == kForever;
      sync.otherAbandons = c.abandons && c.holder == Holder::kOtherRun;
      sync.abandoned = c.abandons && c.holder == Holder::kNobody;
      sync.createError = c.createError;
      sync.openError = c.openError;
      sync.waitError = c.waitError;
      sync.ticks = c.startTicks;
      const std::string what = std::string(c.what) + ", " + args.back();

      EXPECT_EQ(run.Execute(args), c.runs ? 0 : 4) << what;
      EXPECT_EQ(run.p.runner.commands.size(), c.runs ? 1u : 0u) << what;
      for (Holder h : run.holders) EXPECT_EQ(h, Holder::kThisRun) << what;
      EXPECT_EQ(!run.log.TraceLines().empty(), c.runs && args.size() == 1) << what;  // "Install +"
      EXPECT_EQ(sync.waits, c.waits) << what;
      EXPECT_EQ(run.GuardLines(), c.lines) << what;
      EXPECT_EQ(sync.created, Lines{"Global\\ZavCirReceiverDriverSetup"}) << what;
      EXPECT_EQ(sync.opened.size(), c.createError == ERROR_ACCESS_DENIED ? 1u : 0u) << what;
      // Given up by its owner before the handle closes, and only then.
      EXPECT_EQ(sync.releases, c.runs ? 1 : 0) << what;
      // The last line is written before the next run can take the guard and write its own.
      if (c.runs) {
        EXPECT_EQ(run.linesAtRelease, c.lines.size()) << what;
      }
      EXPECT_FALSE(sync.closedWhileOwned) << what;
      EXPECT_EQ(sync.openHandles, 0) << what;
      if (c.holdsForMs == kForever && c.waitError == 0 && c.openError == 0) {
        EXPECT_EQ(sync.ticks - c.startTicks, RUN_GUARD_WAIT_LIMIT_MS) << what;
      }
    }
  }
}

}  // namespace
