#include <string>
#include <vector>

#include "app/exit_code.h"
#include "app/setup_app.h"
#include "env/device_io.h"
#include "env/file_system.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/support_log.h"
#include "env/system_info.h"
#include "package/command_result.h"
#include "package/run_command.h"
#include "package/uninstall_entry_list.h"

namespace {

// The driver store folder below the Windows directory, and the mask of the
// package's copies in it.
constexpr char kXpStoreDir[] = "\\System32\\DRVSTORE";
constexpr char kStoreDir[] = "\\System32\\DriverStore\\FileRepository";
constexpr char kStoreMask[] = "\\zavcir*";

constexpr char kDeviceInterfacePath[] = "\\\\.\\ZavCirIndexIoInterface";
constexpr DWORD kDeviceControlCode = 0x0022200D;
constexpr DWORD kDeviceCheckPauseMs = 1000;

// The package's folders in the driver store below storeDir, by name.
std::vector<std::string> StoreCopies(const std::string& storeDir) {
  std::vector<std::string> names;
  for (const FoundFile& match : GetPlatform().files->FindFiles(storeDir + kStoreMask)) {
    if (!(match.attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (match.name == "." || match.name == "..") continue;
    names.push_back(match.name);
  }
  return names;
}

// Reads the entries and the store once more and logs every copy of the
// package still there; true when there is one.
bool LogCopiesLeft(CUninstallEntryList& list, const std::string& storeDir) {
  const int count = list.Scan();
  for (int i = 0; i < count; ++i)
    LogLine("Copy still registered after the uninstall: " + list.ElementAt(i).GetKeyName() + " (" +
            list.ElementAt(i).GetUninstallCommand() + ")");
  const std::vector<std::string> folders = StoreCopies(storeDir);
  for (const std::string& name : folders)
    LogLine("Copy still in the driver store after the uninstall: " + storeDir + "\\" + name);
  return count != 0 || !folders.empty();
}

}  // namespace

void CSetupApp::DoUninstall() {
  CUninstallEntryList list;  // redirection off until the flow returns
  const int count = list.Scan();
  if (count != 0 && list.UninstallAll(m_cmdInfo.m_bSilent) != count)
    m_nExitCode |= EXIT_REMOVE_FAILED;

  const std::string windowsDir = GetPlatform().system->GetWindowsDirectory();
  const std::string location = IsDirectory(m_strPackageDir) ? m_strPackageDir : m_strModuleDir;
  const std::string storeDir = windowsDir + (m_nOsKind == OS_WINXP ? kXpStoreDir : kStoreDir);
  for (const std::string& name : StoreCopies(storeDir)) {
    // Both paths are quoted, so that blanks in them cannot make the system
    // start another program or cut the INF path.
    const std::string command = "\"" + location + "\\DPInst.exe\" " +
                                (m_cmdInfo.m_bSilent ? "/s" : "") + " /u \"" + storeDir + "\\" +
                                name + "\\zavcir.inf\"";
    const DWORD result = RunCommand(command);
    if (!IsUninstallSuccess(result)) m_nExitCode |= EXIT_REMOVE_FAILED;
    if (result & RESULT_RESTART) m_nExitCode |= EXIT_RESTART_NEEDED;
  }

  // Whatever the commands answered, what is left is what counts.
  if (LogCopiesLeft(list, storeDir)) m_nExitCode |= EXIT_REMOVE_FAILED;

  if (m_nExitCode == 0) {
    GetPlatform().system->Sleep(kDeviceCheckPauseMs);
    if (IsDeviceInterfacePresent()) m_nExitCode |= EXIT_RESTART_NEEDED;
  }
}

BOOL CSetupApp::IsDeviceInterfacePresent() {
  return GetPlatform().device->OpenAndControl(kDeviceInterfacePath, kDeviceControlCode) ? TRUE
                                                                                        : FALSE;
}
