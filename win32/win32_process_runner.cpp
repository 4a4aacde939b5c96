#include "win32/win32_process_runner.h"

#include <utility>

#include "win32/unique_handles.h"

namespace {

class Win32StartedProcess : public StartedProcess {
 public:
  Win32StartedProcess(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}
  ~Win32StartedProcess() override {
    process_.reset();  // the process handle first, then the thread's
    thread_.reset();
  }

  DWORD Wait(DWORD* error) override {
    const DWORD waited = ::WaitForSingleObject(process_.get(), INFINITE);
    if (waited == WAIT_FAILED) *error = ::GetLastError();
    return waited;
  }

  BOOL GetExitCode(DWORD* exitCode, DWORD* error) override {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code)) {
      *error = ::GetLastError();
      return FALSE;
    }
    *exitCode = code;
    return TRUE;
  }

 private:
  unique_handle process_;
  unique_handle thread_;
};

}  // namespace

std::unique_ptr<StartedProcess> Win32ProcessRunner::Start(std::string commandLine, DWORD* error) {
  // No window placement, show state, title or standard handles are imposed.
  STARTUPINFOA startup = {};
  static_assert(sizeof(startup) == 68, "the 32-bit start-up record");
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  // commandLine is this call's own copy: CreateProcessA may write into it.
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    *error = ::GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32StartedProcess>(info.hProcess, info.hThread);
}
