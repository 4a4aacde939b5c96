#include "win32/win32_shutdown_control.h"

#include <string>

#include "win32/proc_address.h"

namespace {

// A function of user32, which the program imports and so is always loaded.
template <typename F>
F User32Function(const char* name) {
  return GetProcAddressAs<F>(::GetModuleHandleA("user32"), name);
}

BlockReasonResult Outcome(BOOL succeeded, DWORD* error) {
  if (succeeded) return BLOCK_REASON_DONE;
  *error = ::GetLastError();
  return BLOCK_REASON_FAILED;
}

}  // namespace

bool Win32ShutdownControl::SetShutdownLevel(DWORD level, DWORD* error) {
  if (::SetProcessShutdownParameters(level, 0)) return true;
  *error = ::GetLastError();
  return false;
}

BlockReasonResult Win32ShutdownControl::CreateBlockReason(HWND window, const std::u16string& reason,
                                                          DWORD* error) {
  using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
  const auto create = User32Function<CreateFn>("ShutdownBlockReasonCreate");
  if (!create) return BLOCK_REASON_UNAVAILABLE;
  const std::wstring text(reason.begin(), reason.end());
  return Outcome(create(window, text.c_str()), error);
}

BlockReasonResult Win32ShutdownControl::DestroyBlockReason(HWND window, DWORD* error) {
  using DestroyFn = BOOL(WINAPI*)(HWND);
  const auto destroy = User32Function<DestroyFn>("ShutdownBlockReasonDestroy");
  if (!destroy) return BLOCK_REASON_UNAVAILABLE;
  return Outcome(destroy(window), error);
}
