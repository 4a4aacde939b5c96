#include "package/uninstall_entry.h"

#include "env/file_system.h"
#include "env/mbcs.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/registry.h"
#include "env/registry_key.h"
#include "env/support_log.h"
#include "env/system_info.h"
#include "package/command_result.h"
#include "package/driver_ver_line.h"
#include "package/machine_key.h"
#include "package/run_command.h"
#include "package/text_line_reader.h"

namespace {

const CodePage& SystemCodePage() { return GetPlatform().system->GetCodePage(); }

// Access to the Uninstall key or a key below it, in its view.
REGSAM MachineAccess(REGSAM access) { return access | UninstallKeyView(); }

// text with every occurrence of from replaced by to, scanning left to right;
// the inserted text is not searched again.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  const CodePage& cp = SystemCodePage();
  std::string result;
  size_t pos = 0;
  for (;;) {
    const size_t found = MbFind(text.substr(pos), from, cp);
    if (found == std::string::npos) break;
    result.append(text, pos, found).append(to);
    pos += found + from.size();
  }
  return result.append(text, pos, std::string::npos);
}

}  // namespace

REGSAM UninstallKeyView() { return IsWow64() ? KEY_WOW64_64KEY : 0; }

CUninstallEntry::CUninstallEntry(const char* keyName, const char* command)
    : m_strKeyName(keyName), m_strUninstallCommand(command) {
  const CodePage& cp = SystemCodePage();
  const std::string windowsDir = MbLower(GetPlatform().system->GetWindowsDirectory(), cp);
  if (windowsDir.empty()) return;
  const size_t found = MbFind(m_strUninstallCommand, windowsDir, cp);
  if (found == std::string::npos) return;
  m_strInfPath = m_strUninstallCommand.substr(found);
  m_strDriverVersion = ReadDriverVersion();
}

std::string CUninstallEntry::ReadDriverVersion() const {
  if (m_strInfPath.empty()) return std::string();
  std::unique_ptr<ReadableFile> file = GetPlatform().files->OpenForRead(m_strInfPath);
  if (!file) return std::string();
  CTextLineReader reader(std::move(file));
  const DriverVersionText version = ReadDriverVersionText(reader, SystemCodePage());
  if (!version.utf16) return version.text;
  // A UTF-16 version is written as ANSI text only when every character of it
  // has a code of its own in the code page: a look-alike would label the
  // entry with a version that the INF does not carry.
  std::string ansi;
  bool usedDefault = false;
  if (GetPlatform().system->WideCharToAnsi(version.wideText, &ansi, &usedDefault) && !usedDefault)
    return ansi;
  LogLine("DriverVer of " + m_strInfPath + ": the version has characters that code page " +
          std::to_string(SystemCodePage().number) + " cannot carry (\"" + ansi +
          "\"); it is not written");
  return std::string();
}

void CUninstallEntry::SetDisplayName(const char* text) const { SetValue("DisplayName", text); }

void CUninstallEntry::SetDisplayVersion(const char* text) const {
  SetValue("DisplayVersion", text);
}

void CUninstallEntry::SetValue(const char* valueName, const char* text) const {
  Registry* registry = GetPlatform().registry;
  const std::string path = std::string(UNINSTALL_KEY_PATH) + "\\" + m_strKeyName;
  RegistryKey key(registry);
  const LONG opened =
      registry->OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), MachineAccess(KEY_WRITE), key.put());
  if (opened != ERROR_SUCCESS) {
    LogLine("Registry write " + MachineKeyForLog(path) + " " + valueName +
            ": key not opened, error " + std::to_string(opened));
    return;
  }
  SetLoggedString(*registry, key.get(), path, valueName, text);
}

BOOL CUninstallEntry::Uninstall(BOOL bSilent) const {
  const std::string keyName = m_strKeyName;
  std::string command = m_strUninstallCommand;
  const std::string infPath = m_strInfPath;
  Trace("Uninstall entry: " + keyName + " " + command + "\n");

  if (IsFile(infPath)) {
    Trace("Execute this uninstall entry\n");
    if (bSilent) command = ReplaceAll(command, "/u ", "/s /u ");
    const BOOL succeeded = IsUninstallSuccess(RunCommand(command)) ? TRUE : FALSE;
    if (!IsFile(infPath)) Trace(infPath + " was successfully deleted\n");
    return succeeded;
  }

  Trace(
      "Manually remove this uninstall entry because its preinstalled driver package path is "
      "invalid\n");
  Registry* registry = GetPlatform().registry;
  RegistryKey uninstallKey(registry);
  if (registry->OpenKey(HKEY_LOCAL_MACHINE, UNINSTALL_KEY_PATH, MachineAccess(KEY_WRITE),
                        uninstallKey.put()) != ERROR_SUCCESS) {
    Trace(std::string("Open ") + UNINSTALL_KEY_PATH + " failed\n");
    return FALSE;
  }
  // An empty name would name the Uninstall key itself: never delete that.
  const LONG deleted = keyName.empty() ? ERROR_INVALID_PARAMETER
                                       : registry->DeleteKey(uninstallKey.get(), keyName.c_str(),
                                                             UninstallKeyView());
  LogLine("Registry delete " + MachineKeyForLog(std::string(UNINSTALL_KEY_PATH) + "\\" + keyName) +
          ": result " + std::to_string(deleted));
  if (deleted == ERROR_SUCCESS)
    Trace("Remove OK\n");
  else
    Trace("Remove failed\n");
  return FALSE;
}
