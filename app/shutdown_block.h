// Keeps a log-off or shutdown from ending the run in the middle of its job.
// The main window refuses every WM_QUERYENDSESSION, which holds on XP; from
// Vista on Windows terminates a refusing process whose windows are hidden
// when asked, as the main window is, unless a window of it has a block
// reason. So for the whole job the main window has one, saying what Setup is
// doing, and the process is asked before the applications of the default
// level, the installer it starts among them. The support log says what held.
#pragma once

#include <string>

#include "env/win_types.h"

// The highest level of the applications' range: asked first among them.
constexpr DWORD SHUTDOWN_LEVEL_FIRST = 0x3FF;

class CShutdownBlock {
 public:
  // On the thread that created window (the only one whose calls Windows
  // takes), before the job starts: the shutdown level, then the block reason
  // of the job (installing, or with uninstall removing, the driver).
  void Begin(HWND window, BOOL uninstall);
  // On the same thread once the job is done: takes the reason away again.
  // Nothing to do when Begin registered none.
  void End();

  // The reason that the shutdown screen shows while the job runs.
  static const char* Reason(BOOL uninstall);

 private:
  HWND m_hWnd = nullptr;  // the window that has the reason; null while none has
};
