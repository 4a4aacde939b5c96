#include "app/setup_app.h"

#include "app/exit_code.h"
#include "env/probes.h"
#include "env/setup_ini.h"

namespace {

// A start-up error in the framework's message box, unless the run is silent.
void ShowUnlessSilent(const CSetupApp& app, const std::string& text) {
  if (!app.m_cmdInfo.m_bSilent) AfxMessageBox(text, MB_OK);
}

}  // namespace

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

int CSetupApp::ExitInstance() {
  CWinApp::ExitInstance();
  return m_nExitCode;
}

BOOL CSetupApp::StartUp(const std::vector<std::string>& args) {
  GetModuleDirectory(m_strModuleDir);
  ParseCommandLine(m_cmdInfo, args);
  m_nOsKind = GetOsKind();
  m_bWow64 = IsWow64();

  if (!ResolvePackageDir()) {
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  // Shown even when silent: the distribution itself is broken.
  if (!m_cmdInfo.m_bUninstall && !IsDirectory(m_strPackageDir)) {
    AfxMessageBox("Invalid path: " + m_strPackageDir, MB_OK);
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  return TRUE;
}

BOOL CSetupApp::ResolvePackageDir() {
  const std::string tag = GetEditionTag(m_nOsKind, m_bWow64);
  if (tag.empty()) {
    ShowUnlessSilent(*this, "This ZAV CIR driver is for Windows 7, Vista or Windows XP only.");
    return FALSE;
  }
  std::string subdirectory;
  switch (ReadPackageSubdirectory(m_strModuleDir, tag, &subdirectory)) {
    case SETUP_INI_FOUND:
      m_strPackageDir = m_strModuleDir + "\\" + subdirectory;
      return TRUE;
    case SETUP_INI_OPEN_FAILED:
      ShowUnlessSilent(*this, "Failed to open Setup.ini file");
      return FALSE;
    case SETUP_INI_NO_LINE:
      break;
  }
  ShowUnlessSilent(*this, "Failed to find the line in Setup.ini: " + tag + "=...");
  return FALSE;
}

void CSetupApp::DoWork() {
  if (m_cmdInfo.m_bUninstall) {
    DoUninstall();
    return;
  }
  Trace("Install +\n");
  DoInstall();
  Trace("Install -\n");
}
