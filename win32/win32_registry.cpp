#include "win32/win32_registry.h"

#include "win32/proc_address.h"

LONG Win32Registry::OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) {
  // Opened into a local first, so that *key is only written on success,
  // whatever the system leaves in its out-parameter on failure.
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(parent, subKey, 0, access, &opened);
  if (result == ERROR_SUCCESS) *key = opened;
  return result;
}

LONG Win32Registry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
  return ::RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG Win32Registry::QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                               DWORD* dataSize) {
  return ::RegQueryValueExA(key, valueName, nullptr, type, data, dataSize);
}

LONG Win32Registry::SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                             DWORD dataSize) {
  return ::RegSetValueExA(key, valueName, 0, type, data, dataSize);
}

LONG Win32Registry::DeleteKey(HKEY parent, const char* subKey, REGSAM view) {
  if (view == 0) return ::RegDeleteKeyA(parent, subKey);
  // advapi32 is among the executable's imports, so it is loaded.
  using RegDeleteKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  const auto deleteKeyEx =
      GetProcAddressAs<RegDeleteKeyExAFn>(::GetModuleHandleA("advapi32"), "RegDeleteKeyExA");
  // Never RegDeleteKeyA instead: on XP x64 it would delete the key of the
  // same name in the 32-bit view, whatever the parent's view.
  if (!deleteKeyEx) return ERROR_CALL_NOT_IMPLEMENTED;
  return deleteKeyEx(parent, subKey, view, 0);
}

LONG Win32Registry::CloseKey(HKEY key) { return ::RegCloseKey(key); }
