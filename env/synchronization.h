// Named kernel objects that every process of the machine can reach, and the
// system's tick count (kernel32). A name with the "Global\" prefix lies in the
// global namespace, shared by every session (services, other users, remote
// desktops); Windows XP has the prefix as well. Any process may create a mutex
// there: only file mappings and symbolic links made there from a user's
// session need SeCreateGlobalPrivilege.
#pragma once

#include <memory>
#include <string>

#include "env/named_mutex.h"
#include "env/win_types.h"

class Synchronization {
 public:
  virtual ~Synchronization() = default;
  // CreateMutexA(NULL, FALSE, name): the mutex of that name, created when
  // missing, with the default security of the caller's token; never owned by
  // the caller yet. nullptr with *error = GetLastError() on failure:
  // ERROR_ACCESS_DENIED when it exists and its security does not grant this
  // caller MUTEX_ALL_ACCESS (another account created it, such as a service's
  // LocalSystem, whose default security gives administrators only read and
  // synchronize access); ERROR_INVALID_HANDLE when the name belongs to an
  // object of another kind (event, semaphore, timer, job, file mapping).
  virtual std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, DWORD* error) = 0;
  // OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name): an existing
  // mutex with only the rights to wait for it and to release it. nullptr with
  // *error on failure (ERROR_FILE_NOT_FOUND: no such mutex).
  virtual std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, DWORD* error) = 0;
  // GetTickCount: milliseconds since Windows started; wraps to 0 after 49.7
  // days, so only differences (modulo 2^32) are meaningful.
  virtual DWORD GetTickCount() = 0;
};
