// Owners of Windows kernel handles, registry keys and loaded modules (one
// unique_resource each, base/unique_resource.h). Each kind has its own invalid
// value: NULL for process and thread handles, INVALID_HANDLE_VALUE for files,
// devices and directory searches.
#pragma once

#include <windows.h>

#include "base/unique_resource.h"

struct HandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::FindClose(handle); }
};

struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE module) { ::FreeLibrary(module); }
};

struct MappedViewTraits {
  static void* Invalid() { return nullptr; }
  static void Close(void* view) { ::UnmapViewOfFile(view); }
};

struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};

using unique_handle = unique_resource<HANDLE, HandleTraits>;     // process, thread, file mapping
using unique_hfile = unique_resource<HANDLE, FileHandleTraits>;  // CreateFileA
using unique_hfind = unique_resource<HANDLE, FindHandleTraits>;  // FindFirstFileA
using unique_hmodule = unique_resource<HMODULE, ModuleTraits>;   // LoadLibraryA
using unique_view = unique_resource<void*, MappedViewTraits>;    // MapViewOfFile
using unique_hkey = unique_resource<HKEY, RegKeyTraits>;         // RegOpenKeyExA (test programs)
