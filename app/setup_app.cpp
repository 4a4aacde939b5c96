#include "app/setup_app.h"

#include <cstdio>

#include "app/run_guard.h"
#include "env/code_page.h"
#include "env/file_system.h"
#include "env/inf_parser.h"
#include "env/log_file.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/setup_ini.h"
#include "env/support_log.h"
#include "env/system_info.h"
#include "package/exit_code.h"
#include "package/install_flow.h"
#include "package/uninstall_flow.h"

namespace {

// The program's file version, as in its version record.
constexpr char kProgramVersion[] = "2.2.0.0";

// A start-up error in the framework's message box, unless the run is silent,
// or nobody could see the box when always is set. The support log has it
// either way, with why where known.
void ShowStartUpFailure(const CSetupApp& app, const std::string& text, const std::string& why = "",
                        bool always = false) {
  if (app.m_bHiddenStation || (app.m_cmdInfo.m_bSilent && !always)) {
    LogLine(std::string("Start-up failed (") +
            (app.m_bHiddenStation ? "window station not visible" : "silent") +
            ", no message shown): " + text + why);
    return;
  }
  LogLine("Start-up failed: " + text + why);
  AfxMessageBox(text, MB_OK);
}

// Whether nobody can see the process's window station. The log says so in
// one line, and says when the system did not tell (the station then counts
// as visible).
bool IsStationHidden() {
  const WindowStation station = GetWindowStation();
  const std::string name = station.name.empty() ? std::string() : " " + station.name;
  if (station.error != ERROR_SUCCESS) {
    LogLine("Window station" + name + ": its flags could not be read (error " +
            std::to_string(station.error) + "); taken as visible");
    return false;
  }
  if (IsVisible(station)) return false;
  LogLine("Window station" + name + " is not visible (flags " + FormatHex32(station.flags) +
          "), as a service's is: nobody could answer a message box or the installer's wizard, "
          "so the run is silent, as with /S");
  return true;
}

// Why the program's own folder cannot be read, where the system tells: its
// drive letter does not exist for this process. Drive letters mapped to
// shares belong to one logon session, and an administrator's elevated run
// has a session of its own, without the letters mapped in the other.
std::string UnreachableDrive(const std::string& moduleDir) {
  const bool letter = moduleDir.size() >= 2 && moduleDir[1] == ':' &&
                      ((moduleDir[0] >= 'A' && moduleDir[0] <= 'Z') ||
                       (moduleDir[0] >= 'a' && moduleDir[0] <= 'z'));
  const std::string drive = moduleDir.substr(0, 2);
  if (!letter || GetPlatform().files->QueryDriveType(drive + "\\") != DRIVE_NO_ROOT_DIR) return "";
  return "; drive " + drive +
         " does not exist for this run (a drive mapped without administrator rights is missing "
         "where programs run as administrator): start Setup.exe by its network path "
         "(\\\\server\\share\\...)";
}

const char* OsKindName(int osKind) {
  static const char* const kNames[] = {"Windows 95/98", "Windows Me",    "Windows 2000 or older",
                                       "Windows XP",    "Windows Vista", "Windows 7 or later"};
  return osKind >= 0 && osKind < 6 ? kNames[osKind] : "unknown";
}

// "ARM64 (0xAA64)": an IMAGE_FILE_MACHINE_* value by name and number.
std::string DescribeMachine(WORD machine) {
  const char* name = machine == IMAGE_FILE_MACHINE_I386    ? "x86"
                     : machine == IMAGE_FILE_MACHINE_AMD64 ? "AMD64"
                     : machine == IMAGE_FILE_MACHINE_ARM64 ? "ARM64"
                     : machine == IMAGE_FILE_MACHINE_ARMNT ? "ARM"
                                                           : "unknown";
  char number[8];
  std::snprintf(number, sizeof number, "%04X", static_cast<unsigned>(machine));
  return std::string(name) + " (0x" + number + ")";
}

// What the header tells of the host's machine; nothing where the system has
// no IsWow64Process2 (before Windows 10 1709).
std::string DescribeNativeMachine(const NativeMachine& native) {
  if (native.error == ERROR_PROC_NOT_FOUND) return std::string();
  if (native.error != ERROR_SUCCESS)
    return ", native machine unknown (IsWow64Process2 failed, error " +
           std::to_string(native.error) + ")";
  return ", native machine " + DescribeMachine(native.machine);
}

// "WOW64 yes" or "WOW64 no" for the shipped 32-bit program; the 64-bit test
// build, which is no WOW64 process and runs on 64-bit Windows only, says so.
std::string DescribeWordSize(const CSetupApp& app) {
  if (GetPlatform().system->IsProcess64Bit()) return "64-bit process (the test build)";
  return std::string("WOW64 ") + (app.m_bWow64 ? "yes" : "no");
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

// The folder of a form of the executable's path, as the log shows it.
std::string FolderOf(const ModulePathForm& form, const CodePage& cp) {
  const std::string dir = CutModuleDirectory(form.text, cp);
  return dir.empty() ? form.text : dir;
}

// The "Program folder" line after its label: the folder used, and why it is
// the short form; or why there is none, with what to do about it.
std::string DescribeModuleDirectory(const ModuleDirectory& where, const CodePage& cp) {
  const std::string codePage = "code page " + std::to_string(cp.number);
  const std::string full = FolderOf(where.full, cp);
  const std::string move = "; move the distribution to a plainer folder";
  switch (where.form) {
    case MODULE_DIR_LONG:
      return where.dir;
    case MODULE_DIR_SHORT:
      return where.dir + " (the short form of " + full +
             (where.full.exact ? ", whose path has " + std::to_string(where.full.text.size()) +
                                     " characters, more than " + std::to_string(MAX_PATH - 1)
                               : ", which " + codePage + " cannot name") +
             ")";
    case MODULE_DIR_UNNAMEABLE: {
      std::string text = "none: " + full + " cannot be named in " + codePage;
      if (!where.shortForm.known)
        text += ", and its short form could not be read";
      else if (where.shortForm.text == where.full.text)
        text +=
            ", and its short form is the same (names short already, or a volume without "
            "short names)";
      else
        text += ", nor its short form " + FolderOf(where.shortForm, cp);
      return text + move;
    }
    case MODULE_DIR_TOO_LONG:
      return "none: " + full + ": the path has " + std::to_string(where.full.text.size()) +
             " characters (" +
             (where.shortForm.known
                  ? std::to_string(where.shortForm.text.size()) + " in its short form"
                  : "its short form could not be read") +
             "), more than " + std::to_string(MAX_PATH - 1) + move;
    case MODULE_DIR_UNKNOWN:
      break;
  }
  return "none: the system did not tell the program's own path";
}

// The first lines of a run in the support log: who runs, where, on what.
void LogRunHeader(const CSetupApp& app, const ModuleDirectory& moduleDir,
                  const std::vector<std::string>& args) {
  if (!GetPlatform().log) return;  // nothing to write to: ask the system nothing more
  LogLine(std::string("==== Setup ") + kProgramVersion +
          " started, command line: " + JoinArguments(args));
  LogLine("Program folder: " +
          DescribeModuleDirectory(moduleDir, GetPlatform().system->GetCodePage()));
  std::string os = std::string("Windows: ") + OsKindName(app.m_nOsKind) + " (OS kind " +
                   std::to_string(app.m_nOsKind) + ")";
  OsVersion version;
  if (GetPlatform().system->GetVersion(&version))
    os += ", version " + std::to_string(version.majorVersion) + "." +
          std::to_string(version.minorVersion) + ", platform " + std::to_string(version.platformId);
  LogLine(os + ", " + DescribeWordSize(app) + DescribeNativeMachine(app.m_nativeMachine) +
          ", code page " + std::to_string(GetPlatform().system->GetCodePage().number));
  const std::string tag = app.SupportedEditionTag();
  const char* unsupported = IsArmHost(app.m_nativeMachine)
                                ? "none (unsupported Windows: an ARM machine loads no x86 or x64 "
                                  "driver)"
                                : "none (unsupported Windows)";
  LogLine(std::string("Mode: ") + (app.m_cmdInfo.m_bUninstall ? "uninstall" : "install") +
          (app.m_cmdInfo.m_bSilent ? ", silent" : "") +
          "; edition tag: " + (tag.empty() ? unsupported : tag));
}

}  // namespace

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

int CSetupApp::ExitInstance() {
  CWinApp::ExitInstance();
  if (m_bSessionEndDuringJob) {
    m_bSessionEndDuringJob = FALSE;
    LogLine(
        "Run cut off by the end of the Windows session while the job was running: its outcome is "
        "unknown");
    return m_nExitCode;
  }
  LogLine("Exit code " + DescribeExitCode(m_nExitCode));
  return m_nExitCode;
}

void CSetupApp::NoteSessionEndDuringJob() { m_bSessionEndDuringJob = TRUE; }

BOOL CSetupApp::StartUp(const std::vector<std::string>& args) {
  // Without a folder that the ANSI calls can name, Setup.ini is not read and
  // start-up fails below; the log's header says why.
  const ModuleDirectory moduleDir = FindModuleDirectory();
  m_strModuleDir = moduleDir.dir;
  ParseCommandLine(m_cmdInfo, args);
  m_nOsKind = GetOsKind();
  m_bWow64 = IsWow64();
  m_nativeMachine = GetNativeMachine();
  OpenSupportLog();
  LogRunHeader(*this, moduleDir, args);
  m_bHiddenStation = IsStationHidden() ? TRUE : FALSE;

  if (!ResolvePackageDir()) {
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  LogLine("Package folder: " + m_strPackageDir);
  // Shown even when silent (the distribution itself is broken), but never
  // where nobody can see it.
  if (!m_cmdInfo.m_bUninstall && !IsDirectory(m_strPackageDir)) {
    ShowStartUpFailure(*this, "Invalid path: " + m_strPackageDir, "", true);
    m_nExitCode |= EXIT_SETUP_FAILED;
    return FALSE;
  }
  return TRUE;
}

BOOL CSetupApp::IsSilent() const { return m_cmdInfo.m_bSilent || m_bHiddenStation; }

std::string CSetupApp::SupportedEditionTag() const {
  // The package's drivers are x86 and x64 only: Windows on ARM emulates this
  // program but cannot load them.
  if (IsArmHost(m_nativeMachine)) return std::string();
  return GetEditionTag(m_nOsKind, m_bWow64);
}

BOOL CSetupApp::ResolvePackageDir() {
  const std::string tag = SupportedEditionTag();
  if (tag.empty()) {
    ShowStartUpFailure(*this, "This ZAV CIR driver is for Windows 7, Vista or Windows XP only.");
    return FALSE;
  }
  std::string subdirectory;
  switch (ReadPackageSubdirectory(*GetPlatform().inf, GetPlatform().system->GetCodePage(),
                                  m_strModuleDir, tag, &subdirectory)) {
    case SETUP_INI_FOUND:
      m_strPackageDir = m_strModuleDir + "\\" + subdirectory;
      return TRUE;
    case SETUP_INI_OPEN_FAILED:
      ShowStartUpFailure(*this, "Failed to open Setup.ini file", UnreachableDrive(m_strModuleDir));
      return FALSE;
    case SETUP_INI_NO_LINE:
      break;
  }
  ShowStartUpFailure(*this, "Failed to find the line in Setup.ini: " + tag + "=...");
  return FALSE;
}

void CSetupApp::BeginJob(HWND mainWindow) {
  m_shutdownBlock.Begin(mainWindow, m_cmdInfo.m_bUninstall);
}

void CSetupApp::EndJob() { m_shutdownBlock.End(); }

void CSetupApp::DoInstall() {
  InstallParams params;
  params.packageDir = m_strPackageDir;
  params.silent = IsSilent() != FALSE;
  m_nExitCode |= InstallPackage(params);
}

void CSetupApp::DoUninstall() {
  UninstallParams params;
  params.packageDir = m_strPackageDir;
  params.moduleDir = m_strModuleDir;
  params.osKind = m_nOsKind;
  params.silent = IsSilent() != FALSE;
  m_nExitCode |= UninstallPackage(params);
}

void CSetupApp::DoWork() {
  // One run at a time on the machine: the guard is held for the whole flow
  // and given up when the flow has returned.
  CRunGuard guard;
  if (!guard.Take()) {
    m_nExitCode |= EXIT_SETUP_FAILED;
    return;
  }
  if (m_cmdInfo.m_bUninstall) {
    DoUninstall();
    return;
  }
  Trace("Install +\n");
  DoInstall();
  Trace("Install -\n");
}
