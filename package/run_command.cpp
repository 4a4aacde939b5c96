#include "package/run_command.h"

#include <memory>

#include "env/platform.h"
#include "env/process_runner.h"
#include "env/support_log.h"
#include "package/command_marker.h"

namespace {

// A started program whose end or exit code cannot be known: a failed run,
// RUN_FAILED_BASE with error, never a count. The reason goes to the log.
DWORD UnknownOutcome(const std::string& reason, DWORD error) {
  LogLine("Command outcome unknown: " + reason + ", error " + std::to_string(error));
  return RUN_FAILED_BASE | error;
}

// Marks the command, starts the program, waits for its end and reads its exit code.
DWORD StartAndWait(const std::string& commandLine) {
  DWORD error = 0;
  std::unique_ptr<CommandMarker> marker = MarkCommand(commandLine, &error);
  if (!marker) return RUN_FAILED_BASE | error;
  const std::unique_ptr<StartedProcess> process =
      GetPlatform().runner->Start(commandLine, marker.get(), &error);
  if (!process) return RUN_FAILED_BASE | error;
  RecordStartedCommand(marker.get(), process.get(), commandLine);
  // From here on the started program alone keeps the marker: it goes when the
  // program ends, whatever becomes of this run.
  marker.reset();
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
  const DWORD result = StartAndWait(commandLine);
  LogLine("Command result: " + FormatHex32(result));
  return result;
}
