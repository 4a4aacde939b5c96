// The registry through the ANSI Reg* functions of advapi32. The keys it hands
// out belong to the caller, who closes them with CloseKey.
#pragma once

#include "env/registry.h"

class Win32Registry : public Registry {
 public:
  LONG OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) override;
  LONG CreateKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override;
  LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                  DWORD* dataSize) override;
  LONG QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) override;
  LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                DWORD dataSize) override;
  LONG DeleteKey(HKEY parent, const char* subKey, REGSAM view) override;
  LONG CloseKey(HKEY key) override;
};
