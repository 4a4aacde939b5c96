// Writes below HKEY_LOCAL_MACHINE in the view of the "Uninstall" entries
// (UninstallKeyView()), each named in the support log with its result.
#pragma once

#include <string>

#include "env/win_types.h"

class Registry;

// A key below HKEY_LOCAL_MACHINE as the support log names it, with
// " (64-bit view)" on 64-bit Windows.
std::string MachineKeyForLog(const std::string& path);

// RegSetValueExA of text as REG_SZ, with its terminating zero, under key (open
// with KEY_SET_VALUE), which is the key at path; the support log gets the
// value and the result, which is returned.
LONG SetLoggedString(Registry& registry, HKEY key, const std::string& path, const char* name,
                     const std::string& text);
// The same for a REG_DWORD value.
LONG SetLoggedDword(Registry& registry, HKEY key, const std::string& path, const char* name,
                    DWORD value);
