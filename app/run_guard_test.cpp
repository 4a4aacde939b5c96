// The machine's run guard around the job, in both modes: the wait in slices,
// the take-over of an abandoned guard, the give-up after the limit (on a fake
// clock, so nothing here waits), and the guard that cannot be had.
#include "app/run_guard.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/earlier_command.h"
#include "app/setup_app.h"
#include "package/command_marker.h"
#include "package/exit_code.h"
#include "package/package_test_support.h"
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
    p.inf.AddFile("C:\\Dist\\Setup.ini", {{"Dir", {{"Win7_32", "x86"}}}});
    p.files.AddDirectory("C:\\Dist\\x86");
    p.files.AddDirectory("C:\\Windows\\System32\\DriverStore\\FileRepository\\zavcir.inf_x86_1");
    p.runner.onRun = [this](const std::string& command) {
      holders.push_back(p.sync.holder);
      package_test::RemoveCopyOnUninstall(p, command);
    };
    p.sync.onRelease = [this] { linesAtRelease = GuardLines().size(); };
  }

  int Execute(const Lines& args) {
    if (app.StartUp(args)) app.DoWork();
    return app.ExitInstance();
  }

  // The log's lines about the guard, without time stamps and process ids.
  Lines GuardLines() {
    return LinesWith([](const std::string& line) {
      return line.find("run guard") != std::string::npos || line.rfind("Run guard", 0) == 0;
    });
  }
  // The lines about a command of an earlier run.
  Lines EarlierLines() {
    return LinesWith([](const std::string& line) {
      return line.find("earlier run") != std::string::npos || line.rfind("Command marker", 0) == 0;
    });
  }
  Lines LinesWith(const std::function<bool(const std::string&)>& wanted) {
    Lines lines;
    for (const std::string& line : log.TextLines("C:\\Windows\\ZavCirSetup.log"))
      if (wanted(line)) lines.push_back(line);
    return lines;
  }

  FakePlatform p;
  FakeLogFile& log = p.log;
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

      EXPECT_EQ(run.Execute(args), c.runs ? SETUP_SUCCESS : EXIT_SETUP_FAILED) << what;
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

// A command that an earlier run started and that outlived it (that run ended
// from Task Manager, or crashed) keeps its marker; this run waits for it after
// the guard, within the same bound, then runs its whole job. Only Setup's own
// commands, still the same processes, are waited for.
TEST(RunGuard, ACommandOfAnEarlierRunIsWaitedForWithinTheSameBound) {
  constexpr DWORD kInstaller = 1234,
                  kChild = 1240;  // the earlier command, and a program it started
  constexpr uint64_t kCreated = 0x01DA00000000ABCDull;
  const std::string kCommand = "\"C:\\Dist\\x86\\DPInst.exe\" /LM /SW /F";
  const std::string kWorks = "A command that an earlier run of Setup started still works: ";
  const std::string kWaiting = "; waiting for its end, within the run guard's 30 minutes";
  const std::string kProcess = "process 1234, " + kCommand;
  const std::string kEnded = "The command that an earlier run of Setup started has ended: ";
  const std::string kMarker = "Command marker Global\\ZavCirReceiverDriverSetupCommand";
  const std::string kBound =
      "The earlier run's command still works after 1800.000 s: ending with nothing done; run "
      "Setup again later";
  Lines forever = {kWorks + kProcess + kWaiting};
  for (int minute = 1; minute < 30; ++minute)
    forever.push_back("Still waiting for the earlier run's command: " +
                      std::to_string(minute * 60) + ".000 s so far");
  forever.push_back(kBound);
  struct Case {
    const char* what;
    DWORD recorded;        // the process id in the record (0: none yet)
    DWORD holder;          // the process that keeps the marker open
    DWORD runsForMs;       // kForever: never ends
    DWORD openError;       // opening the holder fails with it
    bool reused;           // the recorded id belongs to another program now
    DWORD markerError;     // opening the marker fails with it
    const char* bytes;     // the marker's bytes instead of a record
    DWORD guardHeldForMs;  // another run held the guard first
    bool runs;
    DWORD waitedMs;  // on the machine's clock, before the job or the end
    Lines lines;
  } cases[] = {
      {"still running for 90 s",
       kInstaller,
       kInstaller,
       90000,
       0,
       false,
       0,
       nullptr,
       0,
       true,
       90000,
       {kWorks + kProcess + kWaiting,
        "Still waiting for the earlier run's command: 60.000 s so far",
        "The earlier run's command has ended after waiting 90.000 s"}},
      {"ended; a program it started keeps the marker",
       kInstaller,
       kChild,
       kForever,
       0,
       false,
       0,
       nullptr,
       0,
       true,
       0,
       {kEnded + kProcess}},
      {"ended; its id went to another program",
       kInstaller,
       kChild,
       kForever,
       0,
       true,
       0,
       nullptr,
       0,
       true,
       0,
       {kEnded + kProcess + " (that process id belongs to another program now)"}},
      {"another account's: the marker is watched",
       kInstaller,
       kInstaller,
       2500,
       ERROR_ACCESS_DENIED,
       false,
       0,
       nullptr,
       0,
       true,
       3000,
       {kWorks + kProcess + " (its process cannot be opened, error 5)" + kWaiting,
        "The earlier run's command has ended after waiting 3.000 s"}},
      {"no process recorded yet",
       0,
       kInstaller,
       1500,
       0,
       false,
       0,
       nullptr,
       0,
       true,
       2000,
       {kWorks + "process not known yet, " + kCommand + kWaiting,
        "The earlier run's command has ended after waiting 2.000 s"}},
      {"a marker that cannot be read",
       kInstaller,
       kInstaller,
       1000,
       0,
       false,
       ERROR_ACCESS_DENIED,
       nullptr,
       0,
       true,
       1000,
       {kWorks + "its record cannot be read, error 5" + kWaiting,
        "The earlier run's command has ended after waiting 1.000 s"}},
      {"for ever", kInstaller, kInstaller, kForever, 0, false, 0, nullptr, 0, false, 1800000,
       forever},
      {"for ever, behind a guard held 20 minutes",
       kInstaller,
       kInstaller,
       kForever,
       0,
       false,
       0,
       nullptr,
       20 * kMinute,
       false,
       1800000,
       {}},
      {"another program's object of that name",
       kInstaller,
       kInstaller,
       kForever,
       0,
       false,
       0,
       "not a record",
       0,
       false,
       0,
       {kMarker + " is another program's object: ending with nothing done"}},
  };
  for (const auto& c : cases) {
    for (const Lines& args : {Lines{"/S"}, Lines{"/S", "/U"}}) {
      GuardedRun run;
      const std::string what = std::string(c.what) + ", " + args.back();
      FakeProcessTable& table = run.p.runner.table;
      FakeProcessTable::Process holder;
      holder.creationTime = kCreated;
      holder.forever = c.runsForMs == kForever;
      holder.runsForMs = holder.forever ? 0 : c.runsForMs;
      holder.openError = c.openError;
      std::string bytes = c.bytes ? std::string(c.bytes) + '\0'
                                  : FormatCommandRecord({{c.recorded, kCreated}, kCommand});
      bytes.resize(COMMAND_MARKER_SIZE);
      table.AddHolder(c.holder, holder, COMMAND_MARKER_NAME, bytes);
      table.markers[COMMAND_MARKER_NAME].openError = c.markerError;
      if (c.reused) {
        FakeProcessTable::Process other;
        other.creationTime = kCreated + 1;
        other.forever = true;
        table.processes[kInstaller] = other;
      }
      FakeSynchronization& sync = run.p.sync;
      sync.holder = c.guardHeldForMs ? Holder::kOtherRun : Holder::kNobody;
      sync.otherHoldsForMs = c.guardHeldForMs;

      EXPECT_EQ(run.Execute(args), c.runs ? SETUP_SUCCESS : EXIT_SETUP_FAILED) << what;
      EXPECT_EQ(run.p.runner.commands.size(), c.runs ? 1u : 0u) << what;
      if (c.guardHeldForMs == 0) {
        EXPECT_EQ(run.EarlierLines(), c.lines) << what;
      } else {
        EXPECT_EQ(run.EarlierLines().back(), kBound) << what;
      }
      EXPECT_EQ(sync.ticks - 1000, c.waitedMs + (c.runs && args.size() > 1 ? 1000 : 0)) << what;
      // The guard is given up on every way out once taken, and no handle stays open.
      EXPECT_EQ(run.GuardLines().back(), kGivenUp) << what;
      EXPECT_EQ(table.openedProcesses, 0) << what;
      for (const auto& marker : table.markers) EXPECT_EQ(marker.second.handles, 0) << what;
    }
  }
}

// Where the marker's name cannot be checked, or the wait fails, nothing is done.
TEST(RunGuard, AnEarlierCommandThatCannotBeCheckedEndsTheRunWithNothingDone) {
  struct Case {
    const char* what;
    bool otherKind;
    DWORD waitError;
    std::string line;
  } cases[] = {
      {"the name is a mutex's", true, 0,
       "Command marker Global\\ZavCirReceiverDriverSetupCommand cannot be checked, error 6: "
       "ending with nothing done"},
      {"the wait fails", false, ERROR_INVALID_HANDLE,
       "Waiting for the earlier run's command failed, error 6: ending with nothing done"},
  };
  for (const Case& c : cases) {
    GuardedRun run;
    FakeProcessTable& table = run.p.runner.table;
    if (c.otherKind) table.otherKinds.insert(COMMAND_MARKER_NAME);
    FakeProcessTable::Process holder;
    holder.forever = true;
    table.AddHolder(1234, holder, COMMAND_MARKER_NAME,
                    FormatCommandRecord({{1234, 0}, "x"}) + std::string(100, '\0'));
    table.waitError = c.waitError;
    EXPECT_EQ(run.Execute({"/S"}), EXIT_SETUP_FAILED) << c.what;
    EXPECT_TRUE(run.p.runner.commands.empty()) << c.what;
    EXPECT_EQ(run.EarlierLines().back(), c.line) << c.what;
  }
}

}  // namespace
