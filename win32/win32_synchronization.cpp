#include "win32/win32_synchronization.h"

#include "base/unique_handles.h"
#include "win32/wait_for_object.h"

namespace {

class Win32NamedMutex : public NamedMutex {
 public:
  explicit Win32NamedMutex(HANDLE handle) : m_handle(handle) {}

  DWORD Wait(DWORD milliseconds, DWORD* error) override {
    return WaitForObject(m_handle.get(), milliseconds, error);
  }

  bool Release() override { return ::ReleaseMutex(m_handle.get()) != FALSE; }

 private:
  unique_handle m_handle;  // NULL when invalid, as CreateMutexA and OpenMutexA fail
};

std::unique_ptr<NamedMutex> Own(HANDLE handle, DWORD* error) {
  if (!handle) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32NamedMutex>(handle);
}

}  // namespace

std::unique_ptr<NamedMutex> Win32Synchronization::CreateNamedMutex(const std::string& name,
                                                                   DWORD* error) {
  return Own(::CreateMutexA(nullptr, FALSE, name.c_str()), error);
}

std::unique_ptr<NamedMutex> Win32Synchronization::OpenNamedMutex(const std::string& name,
                                                                 DWORD* error) {
  return Own(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()), error);
}

DWORD Win32Synchronization::GetTickCount() { return ::GetTickCount(); }
