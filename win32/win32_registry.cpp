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

LONG Win32Registry::CreateKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) {
  // As OpenKey: *key is written only on success (Windows' own answer on
  // failure is NULL, which would still replace a caller's value).
  HKEY created = nullptr;
  const LONG result = ::RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &created, nullptr);
  if (result == ERROR_SUCCESS) *key = created;
  return result;
}

LONG Win32Registry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
  return ::RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG Win32Registry::QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                               DWORD* dataSize) {
  return ::RegQueryValueExA(key, valueName, nullptr, type, data, dataSize);
}

LONG Win32Registry::QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) {
  DWORD subKeyCount = 0, valueCount = 0;
  const LONG result = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeyCount, nullptr,
                                         nullptr, &valueCount, nullptr, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  *subKeys = subKeyCount;
  *values = valueCount;
  return ERROR_SUCCESS;
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
