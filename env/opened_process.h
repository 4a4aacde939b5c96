// A process that this run did not start, opened by its id
// (ProcessRunner::OpenProcess) to be waited for; closed (CloseHandle) when
// released. An open handle keeps its id from being given to another process.
#pragma once

#include <cstdint>

#include "env/win_types.h"

class OpenedProcess {
 public:
  virtual ~OpenedProcess() = default;
  // GetProcessTimes(process, ...): true with *creationTime set; false with
  // *error = GetLastError().
  virtual bool GetCreationTime(uint64_t* creationTime, DWORD* error) = 0;
  // WaitForSingleObject(process, milliseconds): WAIT_OBJECT_0 once it has
  // ended, WAIT_TIMEOUT while it runs after the time, WAIT_FAILED with *error.
  virtual DWORD Wait(DWORD milliseconds, DWORD* error) = 0;
};
