#include "package/run_command.h"

#include <gtest/gtest.h>

#include "env/support_log.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kCommand[] = "\"C:\\Dist\\x64\\DPInst.exe\" /LM /P";
constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";

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
    FakePlatform p;
    FakeLogFile log;
    GetPlatform().log = &log;
    log.Open(kLog);
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
    EXPECT_EQ(log.TextLines(kLog), lines) << c.what;
  }
}

}  // namespace
