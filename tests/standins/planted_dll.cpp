// Test DLL: a library "planted" beside a program under a system DLL's name
// (setupapi.dll, version.dll, ...). Whenever a process loads it, it appends
// that process's executable path and a line end to "<its own path>.loaded",
// so a test can tell whether, and by whom, it was loaded. It exports nothing
// and does nothing else.
#include <windows.h>

#include <string>

#include "base/unique_handles.h"

namespace {

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

void LeaveMarker(HMODULE self) {
  const std::string own = ModulePath(self);
  if (own.empty()) return;
  const unique_hfile file(::CreateFileA((own + ".loaded").c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string line = ModulePath(nullptr) + "\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(instance);
  return TRUE;
}
