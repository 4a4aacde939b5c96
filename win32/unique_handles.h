// Scoped owners of kernel handles and loaded modules. Each kind has its own
// invalid value: NULL for process and thread handles, INVALID_HANDLE_VALUE for
// files, devices and directory searches.
#pragma once

#include <windows.h>

#include "win32/unique_resource.h"

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

using unique_handle = unique_resource<HANDLE, HandleTraits>;     // process, thread, file mapping
using unique_hfile = unique_resource<HANDLE, FileHandleTraits>;  // CreateFileA
using unique_hfind = unique_resource<HANDLE, FindHandleTraits>;  // FindFirstFileA
using unique_hmodule = unique_resource<HMODULE, ModuleTraits>;   // LoadLibraryA
using unique_view = unique_resource<void*, MappedViewTraits>;    // MapViewOfFile
