// Test helper: ends one process as Task Manager's "End task" does, with
// TerminateProcess and the exit code it chooses (Task Manager: 1). Wine's
// taskkill /F ends a process with 0, which Windows' taskkill does not.
//
//   killtool PID CODE
//
// Exit code: 0 ended, 1 the process could not be opened or ended, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "base/unique_handles.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const DWORD pid = std::strtoul(argv[1], nullptr, 0);
  const UINT code = std::strtoul(argv[2], nullptr, 0);
  unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  if (!process || !TerminateProcess(process.get(), code)) {
    std::printf("error=%lu\n", GetLastError());
    return 1;
  }
  return 0;
}
