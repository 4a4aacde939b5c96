// The registry (advapi32). Keys are the system's own HKEY values; the core holds
// every key it opens in a RegistryKey (env/registry_key.h), which closes it
// through the Registry that opened it.
#pragma once

#include "env/win_types.h"

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA(parent, subKey, 0, access, key). Returns ERROR_SUCCESS and sets
  // *key; on failure *key is not touched. A missing key is never created. Under
  // WOW64, below HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY in access reaches the
  // 64-bit view and no flag (or KEY_WOW64_32KEY) the 32-bit one. Below an open
  // parent the view reached differs by version: XP x64 and Server 2003 follow
  // the call's flag alone (none: the 32-bit view); Vista and Server 2008 the
  // call's flag, else the parent's view; 7 and later the parent's view, which
  // only KEY_WOW64_32KEY leaves (KEY_WOW64_64KEY below a 32-bit parent stays
  // 32-bit). So only a call that names the same flag as its parent reaches the
  // parent's view on every version.
  virtual LONG OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) = 0;
  // RegCreateKeyExA(parent, subKey, 0, NULL, REG_OPTION_NON_VOLATILE, access,
  // NULL, key, NULL): ERROR_SUCCESS and *key set; the key is opened where it
  // exists, else created, with every missing key on its path, empty (no
  // values). On failure *key is not touched (ERROR_ACCESS_DENIED where the
  // caller may not create there; ERROR_BAD_PATHNAME for a subKey that begins
  // with a backslash). The view reached follows OpenKey's rule.
  virtual LONG CreateKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) = 0;
  // RegEnumKeyExA(key, index, name, nameLength, ...): on entry *nameLength is
  // the buffer's size in characters. ERROR_SUCCESS: name holds the subkey's
  // name with its terminator; ERROR_NO_MORE_ITEMS: no subkey at index or beyond;
  // anything else is an error for this index (ERROR_MORE_DATA: name too long).
  virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) = 0;
  // RegQueryValueExA(key, valueName, NULL, type, data, dataSize): on entry
  // *dataSize is the buffer's size; on success it holds the size of the data
  // written. ERROR_MORE_DATA when the data does not fit.
  virtual LONG QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                          DWORD* dataSize) = 0;
  // RegQueryInfoKeyA(key, NULL, NULL, NULL, subKeys, NULL, NULL, values, NULL,
  // NULL, NULL, NULL) on a key opened with KEY_QUERY_VALUE: ERROR_SUCCESS with
  // *subKeys and *values set to the numbers of its direct subkeys and of its
  // values (a default value that is set counts); else the error, and neither
  // is touched.
  virtual LONG QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) = 0;
  // RegSetValueExA(key, valueName, 0, type, data, dataSize): ERROR_SUCCESS once
  // the value holds the data; else the error, logged by the caller.
  virtual LONG SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                        DWORD dataSize) = 0;
  // Deletes one key that has no subkeys: RegDeleteKeyA(parent, subKey) when view
  // is 0, else RegDeleteKeyExA(parent, subKey, view, 0) with view KEY_WOW64_64KEY
  // (or KEY_WOW64_32KEY), looked up by name in advapi32 (32-bit XP lacks it;
  // ERROR_CALL_NOT_IMPLEMENTED where it is missing). Both open the subkey with
  // DELETE and that view flag (none for RegDeleteKeyA), so the view they reach
  // below an open parent follows OpenKey's rule: RegDeleteKeyA deletes the
  // 32-bit key on XP x64, the key of the parent's view on Vista and later.
  virtual LONG DeleteKey(HKEY parent, const char* subKey, REGSAM view) = 0;
  // RegCloseKey(key): the key is no longer valid, whatever the result (which
  // nothing relies on).
  virtual LONG CloseKey(HKEY key) = 0;
};
