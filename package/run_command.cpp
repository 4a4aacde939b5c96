#include "package/run_command.h"

#include <utility>

#include "env/platform.h"
#include "env/support_log.h"

DWORD RunCommand(std::string commandLine) {
  LogLine("Command: " + commandLine);
  const DWORD result = GetPlatform().runner->RunCommand(std::move(commandLine));
  LogLine("Command result: " + FormatHex32(result));
  return result;
}
