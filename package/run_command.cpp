#include "package/run_command.h"

#include <utility>

#include "env/platform.h"

DWORD RunCommand(std::string commandLine) {
  return GetPlatform().runner->RunCommand(std::move(commandLine));
}
