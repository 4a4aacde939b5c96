// An INF-syntax file opened through SetupAPI, with its one line context. It
// keeps SetupAPI loaded for as long as the file is open.
#pragma once

#include <windows.h>
// windows.h first: SetupAPI's header relies on it.
#include <setupapi.h>

#include "base/unique_handles.h"
#include "env/inf_file.h"

class Win32InfFile : public InfFile {
 public:
  // The SetupAPI functions the file needs, looked up by name.
  struct Api {
    decltype(&::SetupFindFirstLineA) findFirstLine = nullptr;
    decltype(&::SetupFindNextLine) findNextLine = nullptr;
    decltype(&::SetupGetStringFieldA) getStringField = nullptr;
    decltype(&::SetupCloseInfFile) closeInfFile = nullptr;
  };

  // Takes an open INF handle, the functions, and the module that provides them.
  Win32InfFile(HINF inf, const Api& api, unique_hmodule setupApi);
  // SetupCloseInfFile, then the module is released.
  ~Win32InfFile() override;
  Win32InfFile(const Win32InfFile&) = delete;
  Win32InfFile& operator=(const Win32InfFile&) = delete;

  bool FindFirstLine(const char* section) override;
  // false when no line has been found yet.
  bool FindNextLine() override;
  // false when no line has been found yet.
  bool GetStringField(DWORD index, char* buffer, DWORD size) override;

 private:
  HINF m_inf;
  Api m_api;
  unique_hmodule m_setupApi;
  INFCONTEXT m_context = {};
  bool m_positioned = false;
};
