// A ProcessRunner for the unit tests, on the processes and markers of a
// FakeProcessTable.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "env/process_runner.h"
#include "env/win_types.h"
#include "tests/fakes/fake_process_table.h"

// Records every command line and runs an optional action when it starts. A
// started program ends with the scripted exit codes (in order; the last one
// repeats; 0 when none). Faults, for every command: the start, the wait or the
// exit-code query fails with the given error (0: it does not fail). Started
// programs and command markers live in table (the process ids 5000, 5004, ...);
// a started program runs until its wait succeeds.
class FakeProcessRunner : public ProcessRunner {
 public:
  std::vector<std::string> commands;
  std::vector<DWORD> results;
  std::function<void(const std::string&)> onRun;
  std::function<void()> onWait;  // called as the wait for a started program begins
  DWORD startError = 0;
  DWORD waitError = 0;      // the wait answers WAIT_FAILED with it
  DWORD exitCodeError = 0;  // the query answers FALSE with it
  DWORD identityError = 0;  // the started program's creation time cannot be read
  FakeProcessTable table;

  // What happened, in order: "start", "wait", "exit code", "close" per program.
  std::vector<std::string> steps;
  // Programs started and not yet released.
  int open = 0;
  // Whether each started program was given a marker to inherit.
  std::vector<bool> inherited;

  // The exit code that the program started as command number index ends with.
  DWORD ScriptedResult(size_t index) const {
    return results.empty() ? 0 : results[std::min(index, results.size() - 1)];
  }

  std::unique_ptr<StartedProcess> Start(std::string commandLine, CommandMarker* marker,
                                        DWORD* error) override;
  std::unique_ptr<CommandMarker> CreateMarker(const std::string& name, DWORD size, bool* existed,
                                              DWORD* error) override {
    return table.CreateMarker(name, size, existed, error);
  }
  std::unique_ptr<CommandMarker> OpenMarker(const std::string& name, DWORD* error) override {
    return table.OpenMarker(name, error);
  }
  std::unique_ptr<OpenedProcess> OpenProcess(DWORD processId, DWORD* error) override {
    return table.OpenProcess(processId, error);
  }
};
