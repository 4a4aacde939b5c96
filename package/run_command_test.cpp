#include "package/run_command.h"

#include <gtest/gtest.h>

#include "env/support_log.h"
#include "package/command_marker.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kCommand[] = "\"C:\\Dist\\x64\\DPInst.exe\" /LM /P";
constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";

// The fake machine with the support log open.
struct LoggedPlatform {
  LoggedPlatform() { log.Open(kLog); }
  Lines LogLines() { return log.TextLines(kLog); }

  FakePlatform p;
  FakeLogFile& log = p.log;
};

// A program whose end or exit code cannot be known is a failed run, never an
// exit code: a failed wait would leave STILL_ACTIVE (0x103), which the install
// flow would read as three packages installed and one staged, and a failed
// query 0, read as success.
TEST(RunCommandTest, OnlyAKnownEndGivesTheExitCode) {
  struct Case {
    const char* what;
    DWORD startError, waitError, exitCodeError, exitCode;
    DWORD result;
    Lines steps;
    const char* reason;  // the log line between command and result, or nullptr
  } cases[] = {
      {"ended", 0, 0, 0, 0x1, 0x1, {"start", "wait", "exit code", "close"}, nullptr},
      {"any exit code unchanged",
       0,
       0,
       0,
       0xC0000100,
       0xC0000100,
       {"start", "wait", "exit code", "close"},
       nullptr},
      {"not started", 2, 0, 0, 0x1, 0x90000002, {"start"}, nullptr},
      {"wait failed",
       0,
       6,
       0,
       0x1,
       0x90000006,
       {"start", "wait", "close"},
       "Command outcome unknown: the wait for its end failed, error 6"},
      {"exit code unreadable",
       0,
       0,
       5,
       0x1,
       0x90000005,
       {"start", "wait", "exit code", "close"},
       "Command outcome unknown: its exit code could not be read, error 5"},
      {"STILL_ACTIVE",
       0,
       0,
       0,
       259,
       0x900000AA,
       {"start", "wait", "exit code", "close"},
       "Command outcome unknown: its exit code is STILL_ACTIVE, error 170"},
  };
  for (const Case& c : cases) {
    LoggedPlatform logged;
    FakePlatform& p = logged.p;
    p.runner.startError = c.startError;
    p.runner.waitError = c.waitError;
    p.runner.exitCodeError = c.exitCodeError;
    p.runner.results = {c.exitCode};
    const std::string command = kCommand;

    EXPECT_EQ(RunCommand(command), c.result) << c.what;
    EXPECT_EQ(p.runner.commands, Lines{kCommand}) << c.what;
    EXPECT_EQ(p.runner.steps, c.steps) << c.what;
    EXPECT_EQ(p.runner.open, 0) << c.what;
    Lines lines = {std::string("Command: ") + kCommand};
    if (c.reason) lines.push_back(c.reason);
    lines.push_back("Command result: " + FormatHex32(c.result));
    EXPECT_EQ(logged.LogLines(), lines) << c.what;
  }
}

// While the program runs, the marker exists because the program holds it
// (this run's own handle is closed before the wait, so that ending this run
// changes nothing) and names the program; it goes when the program ends.
TEST(RunCommandTest, TheStartedProgramAloneKeepsItsMarkerWhileItRuns) {
  FakePlatform p;
  FakeProcessTable& table = p.runner.table;
  std::string atWait;
  p.runner.onWait = [&] {
    const FakeProcessTable::Marker& m = table.markers.at(COMMAND_MARKER_NAME);
    CommandRecord record;
    EXPECT_TRUE(ParseCommandRecord(m.bytes, &record));
    atWait = std::to_string(m.handles) + " handles, holders " + std::to_string(*m.holders.begin()) +
             "/" + std::to_string(m.holders.size()) + ", record " +
             std::to_string(record.process.processId) + " " +
             std::to_string(record.process.creationTime == table.processes[5000].creationTime) +
             " " + record.commandLine;
  };
  EXPECT_EQ(RunCommand(kCommand), 0u);
  EXPECT_EQ(atWait, std::string("0 handles, holders 5000/1, record 5000 1 ") + kCommand);
  EXPECT_EQ(p.runner.inherited, std::vector<bool>{true});
  EXPECT_TRUE(table.markers.empty());
  EXPECT_TRUE(table.processes.empty());
}

// A command whose marker cannot be had does not start: no later run could
// tell that it works. A marker that a program of an earlier command of
// Setup's keeps open is taken over.
TEST(RunCommandTest, ACommandStartsOnlyWithItsMarker) {
  const std::string earlier = FormatCommandRecord({{1234, 77}, "old command"});
  struct Case {
    const char* what;
    DWORD createError;
    bool otherKind;
    const char* existing;  // bytes of an object of that name, kept open by process 1240
    DWORD result;
    const char* reason;  // the log line between command and result, or nullptr
  } cases[] = {
      {"made", 0, false, nullptr, 0x1, nullptr},
      {"left by an earlier command", 0, false, earlier.c_str(), 0x1, nullptr},
      {"no privilege for the global namespace", ERROR_ACCESS_DENIED, false, nullptr, 0x90000005,
       "Command not started: its command marker Global\\ZavCirReceiverDriverSetupCommand cannot "
       "be made, error 5"},
      {"the name is a mutex's", 0, true, nullptr, 0x90000006,
       "Command not started: its command marker Global\\ZavCirReceiverDriverSetupCommand cannot "
       "be made, error 6"},
      {"the name is another program's mapping", 0, false, "not a record", 0x900000B7,
       "Command not started: the name of its command marker "
       "Global\\ZavCirReceiverDriverSetupCommand belongs to another program"},
  };
  for (const Case& c : cases) {
    LoggedPlatform logged;
    FakePlatform& p = logged.p;
    FakeProcessTable& table = p.runner.table;
    table.createError = c.createError;
    if (c.otherKind) table.otherKinds.insert(COMMAND_MARKER_NAME);
    if (c.existing) {
      FakeProcessTable::Process descendant;
      descendant.forever = true;
      std::string bytes = std::string(c.existing) + '\0';
      if (c.result == 0x1) bytes.resize(COMMAND_MARKER_SIZE);  // as Setup made it
      table.AddHolder(1240, descendant, COMMAND_MARKER_NAME, bytes);
    }
    p.runner.results = {0x1};

    EXPECT_EQ(RunCommand(kCommand), c.result) << c.what;
    EXPECT_EQ(p.runner.commands.size(), c.result == 0x1 ? 1u : 0u) << c.what;
    Lines lines = {std::string("Command: ") + kCommand};
    if (c.reason) lines.push_back(c.reason);
    lines.push_back("Command result: " + FormatHex32(c.result));
    EXPECT_EQ(logged.LogLines(), lines) << c.what;
    // The foreign object is left as it was; the earlier command's now names ours.
    if (c.existing) {
      CommandRecord record;
      const bool ours = ParseCommandRecord(table.markers.at(COMMAND_MARKER_NAME).bytes, &record);
      EXPECT_EQ(ours, c.result == 0x1) << c.what;
      if (ours) {
        EXPECT_EQ(record.process.processId, 5000u) << c.what;
      }
    }
  }
}

// Where the started program's creation time cannot be read, the marker keeps
// no process id, and a later run waits for the marker itself.
TEST(RunCommandTest, AProgramWhoseIdentityIsUnknownLeavesItsMarkerWithoutProcess) {
  LoggedPlatform logged;
  FakePlatform& p = logged.p;
  p.runner.identityError = ERROR_ACCESS_DENIED;
  CommandRecord record;
  p.runner.onWait = [&] {
    EXPECT_TRUE(ParseCommandRecord(p.runner.table.markers.at(COMMAND_MARKER_NAME).bytes, &record));
  };
  EXPECT_EQ(RunCommand(kCommand), 0u);
  EXPECT_EQ(record.process.processId, 0u);
  EXPECT_EQ(record.commandLine, kCommand);
  EXPECT_EQ(logged.LogLines()[1],
            "The started program's creation time cannot be read, error 5: its command marker "
            "Global\\ZavCirReceiverDriverSetupCommand names no process");
}

TEST(CommandRecordTest, RecordsReadBackAndOthersAreRefused) {
  const CommandRecord record{{4294967295u, 0x01DA0123456789ABull},
                             "\"C:\\a b\\DPInst.exe\" /LM /P"};
  const std::string bytes = FormatCommandRecord(record) + std::string(100, '\0');
  CommandRecord read;
  ASSERT_TRUE(ParseCommandRecord(bytes, &read));
  EXPECT_EQ(read.process.processId, record.process.processId);
  EXPECT_EQ(read.process.creationTime, record.process.creationTime);
  EXPECT_EQ(read.commandLine, record.commandLine);
  // Too long for the marker: the command line is left out, the process kept.
  const std::string longRecord =
      FormatCommandRecord({{8, 9}, std::string(COMMAND_MARKER_SIZE, 'x')});
  EXPECT_LT(longRecord.size(), COMMAND_MARKER_SIZE);
  ASSERT_TRUE(ParseCommandRecord(longRecord, &read));
  EXPECT_EQ(read.process.processId, 8u);
  EXPECT_EQ(read.commandLine, "");
  EXPECT_FALSE(ParseCommandRecord(std::string(4096, '\0'), &read));  // a fresh object
  EXPECT_FALSE(ParseCommandRecord("ZavCirSetupCommand/1 12 0000000000000001 x", &read));  // no NUL
  for (const char* other : {
           "ZavCirSetupCommand/2 12 0000000000000001 x",
           "ZavCirSetupCommand/1 4294967296 0000000000000001 x",
           "ZavCirSetupCommand/1 12 1 x",
           "ZavCirSetupCommand/1 -12 0000000000000001 x",
           "ZavCirSetupCommand/1 12 000000000000000G x",
       })
    EXPECT_FALSE(ParseCommandRecord(std::string(other) + '\0', &read)) << other;
}

}  // namespace
