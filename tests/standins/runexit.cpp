// Test helper: runs the rest of its own command line as one command line
// (CreateProcessA with no application name, as the setup program starts its
// commands), waits for it and prints its full 32-bit exit code, which the exit
// status of a process seen from outside Wine cuts to the low byte.
//
//   runexit <command line>
//   runexit                 the command line is the value of ZAVCIR_RUNEXIT_COMMAND
//                           (so that it reaches Windows byte for byte, quotes and all)
//
// With ZAVCIR_RUNEXIT_SHOW=<n> set, the program is started as deployment tools
// start programs: STARTF_USESHOWWINDOW with show command n (0 = SW_HIDE) in its
// start-up information.
//
// Output: exit=0x%08X, or error=<system error code> when the start failed.
// Exit code: 0 the command ran, 1 it could not be started, 2 no command given.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/unique_handles.h"
#include "tests/standins/process_text.h"

int main() {
  std::string command = CommandLineAfterProgramName();
  if (command.empty()) command = AnsiEnv(L"ZAVCIR_RUNEXIT_COMMAND");
  if (command.empty()) {
    std::fprintf(stderr, "usage: runexit <command line> (or ZAVCIR_RUNEXIT_COMMAND)\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  const std::string show = AnsiEnv(L"ZAVCIR_RUNEXIT_SHOW");
  if (!show.empty()) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(std::strtoul(show.c_str(), nullptr, 0));
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("error=%lu\n", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  const unique_handle program(process.hProcess), thread(process.hThread);
  WaitForSingleObject(program.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(program.get(), &code);
  std::printf("exit=0x%08lX\n", static_cast<unsigned long>(code));
  return 0;
}
