#include "package/run_command.h"

#include <memory>
#include <utility>

#include "env/platform.h"
#include "env/support_log.h"

namespace {

// A started program whose end or exit code cannot be known: a failed run,
// RUN_FAILED_BASE with error, never a count. The reason goes to the log.
DWORD UnknownOutcome(const std::string& reason, DWORD error) {
  LogLine("Command outcome unknown: " + reason + ", error " + std::to_string(error));
  return RUN_FAILED_BASE | error;
}

// Starts the program, waits for its end and reads its exit code.
DWORD StartAndWait(std::string commandLine) {
  DWORD error = 0;
  const std::unique_ptr<StartedProcess> process =
      GetPlatform().runner->Start(std::move(commandLine), &error);
  if (!process) return RUN_FAILED_BASE | error;
  const DWORD waited = process->Wait(&error);
  // A wait that ends any other way (not possible without a time limit) is no end either.
  if (waited != WAIT_OBJECT_0)
    return UnknownOutcome("the wait for its end failed", waited == WAIT_FAILED ? error : waited);
  DWORD exitCode = 0;
  if (!process->GetExitCode(&exitCode, &error))
    return UnknownOutcome("its exit code could not be read", error);
  // After its end a program cannot be told apart from a running one by this
  // code; read as counts it would say three packages installed and one staged.
  if (exitCode == STILL_ACTIVE)
    return UnknownOutcome("its exit code is STILL_ACTIVE", RUN_STILL_ACTIVE_ERROR);
  return exitCode;
}

}  // namespace

DWORD RunCommand(std::string commandLine) {
  LogLine("Command: " + commandLine);
  const DWORD result = StartAndWait(std::move(commandLine));
  LogLine("Command result: " + FormatHex32(result));
  return result;
}
