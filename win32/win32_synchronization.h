// Named mutexes and the tick count through kernel32. A mutex handle closes
// (CloseHandle) when its object is released.
#pragma once

#include "env/synchronization.h"

class Win32Synchronization : public Synchronization {
 public:
  // CreateMutexA with default security, not owned; NULL on failure.
  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, DWORD* error) override;
  // OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, not inheritable).
  std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name, DWORD* error) override;
  // GetTickCount (present on Windows XP, unlike GetTickCount64).
  DWORD GetTickCount() override;
};
