// One subkey of the Windows "Uninstall" key whose uninstall command refers to
// the package's INF: one installed copy of the driver package.
#pragma once

#include <string>

#include "env/win_types.h"

// The Uninstall key below HKEY_LOCAL_MACHINE.
constexpr char UNINSTALL_KEY_PATH[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The registry view of the Uninstall key and of every key below it, for each
// open and each deletion: KEY_WOW64_64KEY (the 64-bit view) when IsWow64() is
// TRUE, else 0. Every call names it, also below the open Uninstall key: there
// the view of a call without a flag differs by Windows version (XP x64: the
// 32-bit view; Vista and later: the parent's).
REGSAM UninstallKeyView();

class CUninstallEntry {
 public:
  // Four empty fields.
  CUninstallEntry() = default;
  // keyName: the subkey's name as enumerated; command: its UninstallString,
  // already lower-cased. Finds the INF path (the command's tail from the first
  // occurrence of the lower-cased Windows directory) and reads its version.
  CUninstallEntry(const char* keyName, const char* command);

  // The version text of the first qualifying "DriverVer" line of the file at
  // the INF path (8-bit text, or UTF-16LE after the mark FF FE, converted to
  // the ANSI code page); empty when the path is empty, the file fails to open,
  // no line qualifies, or a UTF-16 version has a character that the code page
  // cannot carry exactly (the support log says so).
  std::string ReadDriverVersion() const;
  // Write "DisplayName" / "DisplayVersion" (REG_SZ, with its terminating zero)
  // under the entry's own subkey; nothing happens when the subkey does not open.
  void SetDisplayName(const char* text) const;
  void SetDisplayVersion(const char* text) const;
  // Runs the uninstall command (every "/u " made "/s /u " when bSilent) while
  // the INF path names a file: TRUE when its result is a success
  // (IsUninstallSuccess). Otherwise deletes the subkey and returns FALSE. The
  // fields never change.
  BOOL Uninstall(BOOL bSilent) const;

  std::string GetKeyName() const { return m_strKeyName; }
  std::string GetUninstallCommand() const { return m_strUninstallCommand; }
  std::string GetInfPath() const { return m_strInfPath; }
  std::string GetDriverVersion() const { return m_strDriverVersion; }

 private:
  // Writes one REG_SZ value under the entry's subkey, if the subkey opens.
  void SetValue(const char* valueName, const char* text) const;

  std::string m_strKeyName;
  std::string m_strUninstallCommand;
  std::string m_strInfPath;
  std::string m_strDriverVersion;
};
