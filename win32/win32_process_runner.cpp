#include "win32/win32_process_runner.h"

#include "package/command_result.h"
#include "win32/unique_handles.h"

DWORD Win32ProcessRunner::RunCommand(std::string commandLine) {
  // No window placement, show state, title or standard handles are imposed.
  STARTUPINFOA startup = {};
  static_assert(sizeof(startup) == 68, "the 32-bit start-up record");
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  // commandLine is this call's own copy: CreateProcessA may write into it.
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return ::GetLastError() | RUN_FAILED_BASE;
  }
  unique_handle process(info.hProcess);
  unique_handle thread(info.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.get(), &exitCode)) exitCode = 0;
  process.reset();
  thread.reset();
  return exitCode;
}
