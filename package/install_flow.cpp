#include "package/install_flow.h"

#include <algorithm>
#include <string>
#include <vector>

#include "env/support_log.h"
#include "package/command_result.h"
#include "package/detection_key.h"
#include "package/exit_code.h"
#include "package/package_folder.h"
#include "package/run_command.h"
#include "package/uninstall_entry_list.h"

namespace {

constexpr char kProductDisplayName[] = "ZAV CIR Receiver Driver";
constexpr char kInstallOptions[] = "/LM /P";
constexpr char kSilentInstallOptions[] = "/LM /SW /F";

// After removals: reads the entries once more and logs each copy of keys
// (which the flow meant to remove) that is still registered.
void LogCopiesNotRemoved(CUninstallEntryList& list, const std::vector<std::string>& keys,
                         const char* which) {
  const int count = list.Scan();
  for (int i = 0; i < count; ++i) {
    const CUninstallEntry& entry = list.ElementAt(i);
    if (std::find(keys.begin(), keys.end(), entry.GetKeyName()) == keys.end()) continue;
    LogLine(std::string(which) + " still registered after the install, not removed: " +
            entry.GetKeyName() + " (" + entry.GetUninstallCommand() + ")");
  }
}

// The flow up to its end. *endState tells whether list holds what the run
// leaves: the entries read after the flow's last change.
int RunInstaller(const InstallParams& params, CUninstallEntryList& list, bool* endState) {
  const std::string infPath = params.packageDir + "\\zavcir.inf";
  const int beforeCount = list.Scan();

  // The program path is quoted, so that a folder name with blanks cannot make
  // the system start another program.
  const std::string command = "\"" + params.packageDir + "\\DPInst.exe\" " +
                              (params.silent ? kSilentInstallOptions : kInstallOptions);
  const DWORD result = RunCommand(command);
  if (result & RESULT_FAILED) {
    return EXIT_SETUP_FAILED;
  }
  // The installer counts the driver packages of its folder: counts beyond
  // them are no result of its own but the code of a run that failed before
  // it handled a package.
  const int packages = CountInfFiles(params.packageDir);
  if (IsBareErrorCode(result, packages)) {
    LogLine("The installer failed at start: " + DescribeErrorCode(result));
    LogLine("Its exit code counts " + std::to_string(CountedPackages(result)) +
            " driver packages where the package folder has " + std::to_string(packages) +
            " INF file(s): no installer result; nothing relabelled, nothing removed");
    return EXIT_SETUP_FAILED;
  }
  // A package that failed is a failure, with or without the failure bit.
  if (result & RESULT_FAILED_COUNT_MASK) {
    LogLine("The installer reported " + std::to_string((result & RESULT_FAILED_COUNT_MASK) >> 16) +
            " driver package(s) failed (" + FormatHex32(result) + ")");
    return EXIT_SETUP_FAILED;
  }

  const int installedCount = static_cast<int>(result & RESULT_INSTALLED_MASK);
  const int afterCount = list.Scan();
  // From here on every removal is followed by a read of the entries.
  *endState = true;
  const bool staged = (result & RESULT_STAGED_MASK) != 0 && afterCount > beforeCount;
  if (installedCount == 0 && !staged) return 0;

  const int found = list.FindByInfContent(infPath.c_str());
  if (found == -1) {
    // Its result says done, yet no entry has the package's INF: it ended
    // before it got there (ended from outside, which Task Manager does with
    // exit code 1, or crashed). The older copies are all there is.
    LogLine(std::string("The installer reported the package ") +
            (installedCount != 0 ? "installed" : "staged") + " (" + FormatHex32(result) +
            "), but no \"Uninstall\" entry has the package's INF: it did not install it, "
            "perhaps ended from outside; older copies left alone");
    return EXIT_SETUP_FAILED;
  }
  const std::string newKey = list.ElementAt(found).GetKeyName();
  list.ElementAt(found).SetDisplayName(kProductDisplayName);
  const std::string version = list.ElementAt(found).GetDriverVersion();
  if (!version.empty()) list.ElementAt(found).SetDisplayVersion(version.c_str());

  if (installedCount != 0) {
    // The new copy stays; every other copy goes, always silently.
    std::vector<std::string> olderKeys;
    for (int i = 0; i < list.GetSize(); ++i) {
      if (i == found) continue;
      olderKeys.push_back(list.ElementAt(i).GetKeyName());
      list.ElementAt(i).Uninstall(TRUE);
    }
    if (!olderKeys.empty()) LogCopiesNotRemoved(list, olderKeys, "Older copy");
    return 0;
  }
  // Only staged, beside other copies: the new copy itself goes.
  if (afterCount > 1) {
    list.ElementAt(found).Uninstall(TRUE);
    LogCopiesNotRemoved(list, {newKey}, "Staged copy");
  }
  return 0;
}

}  // namespace

int InstallPackage(const InstallParams& params) {
  CUninstallEntryList list;  // redirection off until the flow returns
  bool endState = false;
  const int exitBits = RunInstaller(params, list, &endState);
  // The detection key tells what the run leaves, whatever its end.
  if (!endState) list.Scan();
  RecordDetectionKey(list);
  return exitBits;
}
