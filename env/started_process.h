// A program started by ProcessRunner::Start, and who a process is.
#pragma once

#include <cstdint>

#include "env/win_types.h"

// Who a process is: its id, and the creation time of its process
// (GetProcessTimes, a FILETIME in 100-ns units). An id is valid only while the
// process exists or a handle to it is open, and is then given to later
// processes; the creation time tells those apart.
struct ProcessIdentity {
  DWORD processId = 0;
  uint64_t creationTime = 0;
};

// The started program's process and thread handles are closed (CloseHandle,
// the process handle first) when it is released.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;
  // WaitForSingleObject(process, INFINITE): WAIT_OBJECT_0 once the program has
  // ended; WAIT_FAILED when the wait failed, with *error set to GetLastError().
  virtual DWORD Wait(DWORD* error) = 0;
  // GetExitCodeProcess(process, exitCode): TRUE with *exitCode set (STILL_ACTIVE,
  // 259, while the program runs); FALSE with *error set to GetLastError(), and
  // *exitCode not touched.
  virtual BOOL GetExitCode(DWORD* exitCode, DWORD* error) = 0;
  // The dwProcessId that CreateProcessA gave, and GetProcessTimes(process, ...)
  // for its creation time: true with *identity set; false with *error set to
  // GetLastError() when the time cannot be read.
  virtual bool GetIdentity(ProcessIdentity* identity, DWORD* error) = 0;
};
