#include "app/shutdown_block.h"

#include "env/platform.h"
#include "env/shutdown_control.h"
#include "env/support_log.h"

const char* CShutdownBlock::Reason(BOOL uninstall) {
  // Short, for a user in a hurry: what would be cut off.
  return uninstall ? "Removing the ZAV CIR Receiver Driver."
                   : "Installing the ZAV CIR Receiver Driver.";
}

void CShutdownBlock::Begin(HWND window, BOOL uninstall) {
  ShutdownControl& shutdown = *GetPlatform().shutdown;
  DWORD error = 0;
  const std::string level = "Shutdown level " + FormatHex32(SHUTDOWN_LEVEL_FIRST);
  if (shutdown.SetShutdownLevel(SHUTDOWN_LEVEL_FIRST, &error))
    LogLine(level + ": asked before the other applications");
  else
    LogLine(level + " not set, error " + std::to_string(error) + ": asked at the default level");

  const std::string reason = Reason(uninstall);
  switch (
      shutdown.CreateBlockReason(window, std::u16string(reason.begin(), reason.end()), &error)) {
    case BLOCK_REASON_DONE:
      m_hWnd = window;
      LogLine("Shutdown block reason set: " + reason);
      return;
    case BLOCK_REASON_UNAVAILABLE:
      LogLine(
          "Shutdown block reason not set: this Windows has none (before Vista the refusal alone "
          "holds a log-off or shutdown)");
      return;
    case BLOCK_REASON_FAILED:
      break;
  }
  LogLine("Shutdown block reason not set, error " + std::to_string(error) +
          ": a log-off or shutdown may end this run");
}

void CShutdownBlock::End() {
  if (!m_hWnd) return;
  DWORD error = 0;
  const BlockReasonResult result = GetPlatform().shutdown->DestroyBlockReason(m_hWnd, &error);
  m_hWnd = nullptr;
  if (result == BLOCK_REASON_DONE)
    LogLine("Shutdown block reason removed");
  else
    LogLine("Shutdown block reason not removed, error " + std::to_string(error));
}
