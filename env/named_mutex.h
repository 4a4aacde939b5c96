// A handle of a mutex (Synchronization), closed (CloseHandle) when released.
// Closing it does not give up ownership: only ReleaseMutex or the end of the
// owning thread does.
#pragma once

#include "env/win_types.h"

class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
  // WaitForSingleObject(mutex, milliseconds). WAIT_OBJECT_0: the calling thread
  // owns the mutex now. WAIT_ABANDONED: it owns it now, and the thread that
  // owned it before ended without releasing it. WAIT_TIMEOUT: another thread
  // still owns it after the time. WAIT_FAILED: *error holds GetLastError().
  virtual DWORD Wait(DWORD milliseconds, DWORD* error) = 0;
  // ReleaseMutex(mutex): false (ERROR_NOT_OWNER) when the calling thread does
  // not own it.
  virtual bool Release() = 0;
};
