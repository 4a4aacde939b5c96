// The benchmark's reference for start-up cost: only what any silent run of the
// setup program must do. A GUI process with a hidden main window, whose
// creation starts one worker thread; the worker runs the installer command line
// and waits for it, then closes the window.
//
//   minimal_app.exe <installer command line>
//
// Exit code: the installer's, or 0x80000000 (| the system error) when the
// window, the worker or the installer could not be started.
#include <windows.h>

#include "bench/hidden_window_run.h"

namespace {

DWORD RunInstaller(const std::string& commandLine) { return RunAndWait(commandLine); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(
      RunWithHiddenWindow(instance, &RunInstaller, CommandLineAfterProgramName()));
}
