// Loading system libraries by their full path in the system directory, never
// through the search path, which may start with the executable's own folder.
#pragma once

#include <windows.h>

#include <string>

#include "win32/proc_address.h"

// "<system directory>\name", or "" when the directory cannot be read.
inline std::string SystemLibraryPath(const char* name) {
  char directory[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory, length) + "\\" + name;
}

// Whether RestrictLibrarySearchPath put the process's default DLL directories
// in force. Written once at start-up on the main thread, before any other
// thread exists.
inline bool& DefaultDllDirectoriesInForce() {
  static bool inForce = false;
  return inForce;
}

// Where SetDefaultDllDirectories exists, libraries loaded later by name, and
// the dependencies of every library loaded, come only from the system
// directory, never from the executable's folder (often a Downloads folder) or
// the current directory, where anyone may have dropped a DLL of the same name.
// Where it does not (XP, and Vista or 7 without the loader update that adds
// it), SetDllDirectoryA("") only takes the current directory out of the
// search: the executable's folder stays first, and LoadSystemLibrary and
// PreloadSystemLibraries guard the loads that start-up and the window make.
// Both functions are looked up by name: SetDllDirectoryA is missing on XP
// before SP1. Call first thing at start-up, on the main thread.
inline void RestrictLibrarySearchPath() {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefaultDllDirectories =
      GetProcAddressAs<SetDefaultDllDirectoriesFn>(kernel32, "SetDefaultDllDirectories");
  const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  if (setDefaultDllDirectories && setDefaultDllDirectories(kSearchSystem32)) {
    DefaultDllDirectoriesInForce() = true;
    return;
  }
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  const auto setDllDirectory = GetProcAddressAs<SetDllDirectoryFn>(kernel32, "SetDllDirectoryA");
  if (setDllDirectory) setDllDirectory("");
}

// Loads the system library name by its full path in the system directory:
// no file of that name elsewhere is looked at. Its own dependencies that are
// not loaded yet are searched for by name: in the system directory alone where
// the default DLL directories are in force; elsewhere by the alternate search
// order (LoadLibraryExA with LOAD_WITH_ALTERED_SEARCH_PATH), which starts in
// the library's own folder, the system directory, and leaves the executable's
// folder out. nullptr when it cannot be loaded.
inline HMODULE LoadSystemLibrary(const char* name) {
  const std::string path = SystemLibraryPath(name);
  if (path.empty()) return nullptr;
  if (DefaultDllDirectoriesInForce()) return ::LoadLibraryA(path.c_str());
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The system libraries that start-up and the window load by name after the
// program's own imports: the input-method library that user32 loads, the theme
// library of every window and message box, and what a message box's input
// method support loads (ole32, and rpcrt4 under it), in the order of their
// dependencies.
constexpr const char* kPreloadedSystemLibraries[] = {"rpcrt4.dll", "ole32.dll", "imm32.dll",
                                                     "uxtheme.dll"};

// Loads each of them with LoadSystemLibrary, for the life of the process: a
// later load by name then finds the loaded module, whatever the search order,
// and no file of that name in the executable's folder is looked at. A library
// that this Windows does not have is left out.
inline void PreloadSystemLibraries() {
  for (const char* name : kPreloadedSystemLibraries) LoadSystemLibrary(name);
}
