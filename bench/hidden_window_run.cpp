#include "bench/hidden_window_run.h"

#include <process.h>

namespace {

constexpr DWORD kFailed = 0x80000000;
constexpr char kClassName[] = "ZavCirBenchHiddenWindow";

struct JobState {
  HiddenWindowJob job;
  std::string argument;
  DWORD result = kFailed;
  HWND window = nullptr;
};

JobState* g_state = nullptr;

unsigned __stdcall WorkerEntry(void*) {
  g_state->result = g_state->job(g_state->argument);
  ::PostMessageA(g_state->window, WM_CLOSE, 0, 0);
  return 0;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      g_state->window = hwnd;
      const uintptr_t thread = ::_beginthreadex(nullptr, 0, &WorkerEntry, nullptr, 0, nullptr);
      if (thread == 0) return -1;  // no worker: no window, and the run ends
      ::CloseHandle(reinterpret_cast<HANDLE>(thread));
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

DWORD RunWithHiddenWindow(HINSTANCE instance, HiddenWindowJob job, const std::string& argument) {
  JobState state;
  state.job = job;
  state.argument = argument;
  g_state = &state;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassA(&windowClass)) return kFailed;
  const HWND window =
      ::CreateWindowExA(0, kClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return kFailed;
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return state.result;
}

DWORD RunAndWait(const std::string& commandLine) {
  std::string command = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return kFailed | ::GetLastError();
  ::WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(info.hProcess, &exitCode)) exitCode = kFailed;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return exitCode;
}
