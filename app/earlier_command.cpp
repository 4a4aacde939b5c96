#include "app/earlier_command.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/run_guard.h"
#include "env/platform.h"
#include "env/process_runner.h"
#include "env/support_log.h"
#include "env/system_info.h"
#include "package/command_marker.h"

namespace {

constexpr char kWhat[] = "the earlier run's command";

std::string MarkerNamed() { return std::string("Command marker ") + COMMAND_MARKER_NAME; }

// Waits at most milliseconds for the marker's name to be free (its last handle
// closed): WAIT_OBJECT_0 then, else WAIT_TIMEOUT. Only "not found" tells that
// it has gone; a marker that cannot be read still exists.
DWORD WaitForMarkerGone(DWORD milliseconds) {
  for (DWORD slept = 0; slept < milliseconds;) {
    const DWORD pause = std::min(EARLIER_COMMAND_POLL_MS, milliseconds - slept);
    GetPlatform().system->Sleep(pause);
    slept += pause;
    DWORD error = 0;
    if (!GetPlatform().runner->OpenMarker(COMMAND_MARKER_NAME, &error) &&
        error == ERROR_FILE_NOT_FOUND)
      return WAIT_OBJECT_0;
  }
  return WAIT_TIMEOUT;
}

}  // namespace

BOOL WaitForEarlierCommand(const CWaitBound& bound) {
  ProcessRunner* runner = GetPlatform().runner;
  DWORD error = 0;
  std::unique_ptr<CommandMarker> marker = runner->OpenMarker(COMMAND_MARKER_NAME, &error);
  if (!marker && error == ERROR_FILE_NOT_FOUND) return TRUE;  // nothing of ours works

  // What is waited for, and how: the process, or the marker's name.
  std::string what;
  std::unique_ptr<OpenedProcess> process;
  if (!marker) {
    if (error != ERROR_ACCESS_DENIED) {
      LogLine(MarkerNamed() + " cannot be checked, error " + std::to_string(error) +
              ": ending with nothing done");
      return FALSE;
    }
    what = "its record cannot be read, error " + std::to_string(error);
  } else {
    std::string bytes;
    CommandRecord record;
    if (!marker->Read(&bytes, &error) || !ParseCommandRecord(bytes, &record)) {
      LogLine(MarkerNamed() + " is another program's object: ending with nothing done");
      return FALSE;
    }
    // Closed before any wait: an open handle would keep the marker alive.
    marker.reset();
    what = DescribeCommandRecord(record);
    if (record.process.processId != 0) {
      process = runner->OpenProcess(record.process.processId, &error);
      uint64_t created = 0;
      if (!process && error == ERROR_INVALID_PARAMETER) {
        LogLine("The command that an earlier run of Setup started has ended: " + what);
        return TRUE;
      }
      if (!process) {
        what += " (its process cannot be opened, error " + std::to_string(error) + ")";
      } else if (!process->GetCreationTime(&created, &error)) {
        what +=
            " (its process's creation time cannot be read, error " + std::to_string(error) + ")";
        process.reset();
      } else if (created != record.process.creationTime) {
        LogLine("The command that an earlier run of Setup started has ended: " + what +
                " (that process id belongs to another program now)");
        return TRUE;
      }
    }
  }

  LogLine("A command that an earlier run of Setup started still works: " + what +
          "; waiting for its end, within the run guard's " +
          std::to_string(RUN_GUARD_WAIT_LIMIT_MS / 60000) + " minutes");
  const DWORD since = bound.Elapsed();
  std::function<DWORD(DWORD)> waitOnce = WaitForMarkerGone;
  if (process)
    waitOnce = [&process, &error](DWORD milliseconds) {
      return process->Wait(milliseconds, &error);
    };
  switch (bound.WaitInSlices(waitOnce, kWhat, since)) {
    case WAIT_OBJECT_0:
      LogLine("The earlier run's command has ended after waiting " +
              FormatSeconds(bound.Elapsed() - since));
      return TRUE;
    case WAIT_TIMEOUT:
      LogLine("The earlier run's command still works after " + FormatSeconds(bound.Elapsed()) +
              ": ending with nothing done; run Setup again later");
      return FALSE;
    default:
      LogLine("Waiting for the earlier run's command failed, error " + std::to_string(error) +
              ": ending with nothing done");
      return FALSE;
  }
}
