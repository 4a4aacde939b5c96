#include "tests/fakes/fake_shutdown_control.h"

#include <cstdint>

#include "tests/fakes/fake_system_info.h"

HWND FakeShutdownControl::CreateWindow() {
  const HWND window =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010 + 4 * m_creators.size()));
  m_creators[window] = std::this_thread::get_id();
  return window;
}

FakeShutdownControl::Outcome FakeShutdownControl::QueryEndSession(HWND window, BOOL answer) const {
  if (answer) return Outcome::kEnds;
  return !HasBlockReasons() || reasons.count(window) ? Outcome::kRefused : Outcome::kTerminated;
}

bool FakeShutdownControl::SetShutdownLevel(DWORD newLevel, DWORD* error) {
  if (newLevel > 0x4FF)
    *error = ERROR_INVALID_PARAMETER;
  else
    level = newLevel;
  return newLevel <= 0x4FF;
}

bool FakeShutdownControl::HasBlockReasons() const {
  return m_system.version.platformId == VER_PLATFORM_WIN32_NT && m_system.version.majorVersion >= 6;
}

BlockReasonResult FakeShutdownControl::Check(HWND window, DWORD* error) const {
  if (!HasBlockReasons()) return BLOCK_REASON_UNAVAILABLE;
  const auto it = m_creators.find(window);
  if (it != m_creators.end() && it->second == std::this_thread::get_id()) return BLOCK_REASON_DONE;
  *error = ERROR_ACCESS_DENIED;
  return BLOCK_REASON_FAILED;
}

BlockReasonResult FakeShutdownControl::CreateBlockReason(HWND window, const std::u16string& reason,
                                                         DWORD* error) {
  const BlockReasonResult result = Check(window, error);
  if (result == BLOCK_REASON_DONE) reasons[window] = reason;
  return result;
}

BlockReasonResult FakeShutdownControl::DestroyBlockReason(HWND window, DWORD* error) {
  const BlockReasonResult result = Check(window, error);
  if (result == BLOCK_REASON_DONE) reasons.erase(window);
  return result;
}
