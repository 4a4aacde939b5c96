#include "app/exit_code.h"
#include "app/setup_app.h"
#include "env/support_log.h"
#include "package/command_result.h"
#include "package/run_command.h"
#include "package/uninstall_entry_list.h"

namespace {

constexpr char kProductDisplayName[] = "ZAV CIR Receiver Driver";
constexpr char kInstallOptions[] = "/LM /P";
constexpr char kSilentInstallOptions[] = "/LM /SW /F";

}  // namespace

void CSetupApp::DoInstall() {
  const std::string infPath = m_strPackageDir + "\\zavcir.inf";
  CUninstallEntryList list;  // redirection off until the flow returns
  const int beforeCount = list.Scan();

  // The program path is quoted, so that a folder name with blanks cannot make
  // the system start another program.
  const std::string command = "\"" + m_strPackageDir + "\\DPInst.exe\" " +
                              (m_cmdInfo.m_bSilent ? kSilentInstallOptions : kInstallOptions);
  const DWORD result = RunCommand(command);
  if (result & RESULT_FAILED) {
    m_nExitCode |= EXIT_SETUP_FAILED;
    return;
  }

  const int installedCount = static_cast<int>(result & RESULT_INSTALLED_MASK);
  const int afterCount = list.Scan();
  const bool staged = (result & RESULT_STAGED_MASK) != 0 && afterCount > beforeCount;
  if (installedCount == 0 && !staged) return;

  const int found = list.FindByInfContent(infPath.c_str());
  if (found == -1) {
    // Its result says done, yet no entry has the package's INF: it ended
    // before it got there (ended from outside, which Task Manager does with
    // exit code 1, or crashed). The older copies are all there is.
    LogLine(std::string("The installer reported the package ") +
            (installedCount != 0 ? "installed" : "staged") + " (" + FormatHex32(result) +
            "), but no \"Uninstall\" entry has the package's INF: it did not install it, "
            "perhaps ended from outside; older copies left alone");
    m_nExitCode |= EXIT_SETUP_FAILED;
    return;
  }
  list.ElementAt(found).SetDisplayName(kProductDisplayName);
  const std::string version = list.ElementAt(found).GetDriverVersion();
  if (!version.empty()) list.ElementAt(found).SetDisplayVersion(version.c_str());

  if (installedCount != 0) {
    // The new copy stays; every other copy goes, always silently.
    list.RemoveAt(found);
    list.UninstallAll(TRUE);
    return;
  }
  // Only staged, beside other copies: the new copy itself goes.
  if (afterCount > 1) list.ElementAt(found).Uninstall(TRUE);
}
