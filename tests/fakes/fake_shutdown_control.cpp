#include "tests/fakes/fake_shutdown_control.h"

#include <cstdint>

#include "tests/fakes/fake_platform.h"

namespace {
constexpr DWORD kInvalidWindowHandle = 1400;  // ERROR_INVALID_WINDOW_HANDLE
}  // namespace

HWND FakeShutdownControl::CreateWindow() {
  const HWND window =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010 + 4 * creators_.size()));
  creators_[window] = std::this_thread::get_id();
  return window;
}

FakeShutdownControl::Outcome FakeShutdownControl::QueryEndSession(HWND window, BOOL answer) const {
  if (answer) return Outcome::kEnds;
  if (!HasBlockReasons()) return Outcome::kRefused;
  return reasons.count(window) ? Outcome::kRefused : Outcome::kTerminated;
}

bool FakeShutdownControl::SetShutdownLevel(DWORD newLevel, DWORD* error) {
  if (newLevel > 0x4FF) {
    *error = ERROR_INVALID_PARAMETER;
    return false;
  }
  level = newLevel;
  flags = 0;
  return true;
}

bool FakeShutdownControl::HasBlockReasons() const {
  return system_.version.platformId == VER_PLATFORM_WIN32_NT && system_.version.majorVersion >= 6;
}

BlockReasonResult FakeShutdownControl::CheckCaller(HWND window, DWORD* error) const {
  const auto it = creators_.find(window);
  *error = it == creators_.end()                      ? kInvalidWindowHandle
           : it->second != std::this_thread::get_id() ? static_cast<DWORD>(ERROR_ACCESS_DENIED)
                                                      : 0;
  return *error ? BLOCK_REASON_FAILED : BLOCK_REASON_DONE;
}

BlockReasonResult FakeShutdownControl::CreateBlockReason(HWND window, const std::u16string& reason,
                                                         DWORD* error) {
  if (!HasBlockReasons()) return BLOCK_REASON_UNAVAILABLE;
  const BlockReasonResult result = CheckCaller(window, error);
  if (result == BLOCK_REASON_DONE) reasons[window] = reason;
  return result;
}

BlockReasonResult FakeShutdownControl::DestroyBlockReason(HWND window, DWORD* error) {
  if (!HasBlockReasons()) return BLOCK_REASON_UNAVAILABLE;
  const BlockReasonResult result = CheckCaller(window, error);
  if (result == BLOCK_REASON_DONE) reasons.erase(window);
  return result;
}
