#include "app/setup_app.h"

#include "app/exit_code.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/setup_ini.h"
#include "env/support_log.h"

namespace {

// The program's file version, as in its version record.
constexpr char kProgramVersion[] = "2.2.0.0";

// A start-up error in the framework's message box, unless the run is silent.
// The support log has it either way.
void ShowUnlessSilent(const CSetupApp& app, const std::string& text) {
  if (app.m_cmdInfo.m_bSilent) {
    LogLine("Start-up failed (silent, no message shown): " + text);
    return;
  }
  LogLine("Start-up failed: " + text);
  AfxMessageBox(text, MB_OK);
}

const char* OsKindName(int osKind) {
  static const char* const kNames[] = {"Windows 95/98", "Windows Me",    "Windows 2000 or older",
                                       "Windows XP",    "Windows Vista", "Windows 7 or later"};
  return osKind >= 0 && osKind < 6 ? kNames[osKind] : "unknown";
}

// The arguments as one line; an empty one, or one with blanks, in quotes.
std::string JoinArguments(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    const bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    line += quote ? "\"" + arg + "\"" : arg;
  }
  return line;
}

// The first lines of a run in the support log: who runs, where, on what.
void LogRunHeader(const CSetupApp& app, const std::vector<std::string>& args) {
  if (!GetPlatform().log) return;  // nothing to write to: ask the system nothing more
  LogLine(std::string("==== Setup ") + kProgramVersion +
          " started, command line: " + JoinArguments(args));
  LogLine("Program folder: " + app.m_strModuleDir);
  std::string os = std::string("Windows: ") + OsKindName(app.m_nOsKind) + " (OS kind " +
                   std::to_string(app.m_nOsKind) + ")";
  OsVersion version;
  if (GetPlatform().system->GetVersion(&version))
    os += ", version " + std::to_string(version.majorVersion) + "." +
          std::to_string(version.minorVersion) + ", platform " + std::to_string(version.platformId);
  LogLine(os + ", WOW64 " + (app.m_bWow64 ? "yes" : "no") + ", code page " +
          std::to_string(GetPlatform().system->GetCodePage().number));
  const std::string tag = GetEditionTag(app.m_nOsKind, app.m_bWow64);
  LogLine(std::string("Mode: ") + (app.m_cmdInfo.m_bUninstall ? "uninstall" : "install") +
          (app.m_cmdInfo.m_bSilent ? ", silent" : "") +
          "; edition tag: " + (tag.empty() ? "none (unsupported Windows)" : tag));
}

}  // namespace

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

int CSetupApp::ExitInstance() {
  CWinApp::ExitInstance();
  LogLine("Exit code " + DescribeExitCode(m_nExitCode));
  return m_nExitCode;
}

BOOL CSetupApp::StartUp(const std::vector<std::string>& args) {
  GetModuleDirectory(m_strModuleDir);
  ParseCommandLine(m_cmdInfo, args);
  m_nOsKind = GetOsKind();
  m_bWow64 = IsWow64();
  OpenSupportLog();
  LogRunHeader(*this, args);

  if (!ResolvePackageDir()) {
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  LogLine("Package folder: " + m_strPackageDir);
  // Shown even when silent: the distribution itself is broken.
  if (!m_cmdInfo.m_bUninstall && !IsDirectory(m_strPackageDir)) {
    LogLine("Start-up failed: Invalid path: " + m_strPackageDir);
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
