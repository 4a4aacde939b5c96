// One wait for a kernel object, as every Win32 handle class waits.
#pragma once

#include <windows.h>

// WaitForSingleObject(object, milliseconds): its result; *error set to
// GetLastError() with WAIT_FAILED, else not touched.
inline DWORD WaitForObject(HANDLE object, DWORD milliseconds, DWORD* error) {
  const DWORD waited = ::WaitForSingleObject(object, milliseconds);
  if (waited == WAIT_FAILED) *error = ::GetLastError();
  return waited;
}
