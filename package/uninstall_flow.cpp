#include "package/uninstall_flow.h"

#include <string>
#include <vector>

#include "env/device_io.h"
#include "env/file_system.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/support_log.h"
#include "env/system_info.h"
#include "package/command_result.h"
#include "package/detection_key.h"
#include "package/exit_code.h"
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

int UninstallPackage(const UninstallParams& params) {
  int exitBits = 0;
  CUninstallEntryList list;  // redirection off until the flow returns
  const int count = list.Scan();
  if (count != 0 && list.UninstallAll(params.silent ? TRUE : FALSE) != count)
    exitBits |= EXIT_REMOVE_FAILED;

  const std::string windowsDir = GetPlatform().system->GetWindowsDirectory();
  const std::string location =
      IsDirectory(params.packageDir) ? params.packageDir : params.moduleDir;
  const std::string storeDir = windowsDir + (params.osKind == OS_WINXP ? kXpStoreDir : kStoreDir);
  for (const std::string& name : StoreCopies(storeDir)) {
    // Both paths are quoted, so that blanks in them cannot make the system
    // start another program or cut the INF path.
    const std::string command = "\"" + location + "\\DPInst.exe\" " + (params.silent ? "/s" : "") +
                                " /u \"" + storeDir + "\\" + name + "\\zavcir.inf\"";
    const DWORD result = RunCommand(command);
    if (!IsUninstallSuccess(result)) exitBits |= EXIT_REMOVE_FAILED;
    if (result & RESULT_RESTART) exitBits |= EXIT_RESTART_NEEDED;
  }

  // Whatever the commands answered, what is left is what counts, also for
  // the detection key.
  if (LogCopiesLeft(list, storeDir)) exitBits |= EXIT_REMOVE_FAILED;
  RecordDetectionKey(list);

  // Only a removal that went through asks the driver itself.
  if (exitBits == 0) {
    GetPlatform().system->Sleep(kDeviceCheckPauseMs);
    if (IsDeviceInterfacePresent()) exitBits |= EXIT_RESTART_NEEDED;
  }
  return exitBits;
}

bool IsDeviceInterfacePresent() {
  return GetPlatform().device->OpenAndControl(kDeviceInterfacePath, kDeviceControlCode);
}
