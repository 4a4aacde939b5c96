// The application object: the facts of this run, start-up, the job and the exit code.
#pragma once

#include <string>

#include "app/setup_command_line_info.h"
#include "app/shutdown_block.h"
#include "env/probes.h"
#include "framework/win_app.h"

class CSetupApp : public CWinApp {
 public:
  CSetupApp();
  ~CSetupApp() override;

  // Start-up on the main thread: StartUp, then the hidden main window whose
  // creation starts the worker. FALSE ends the process with ExitInstance's code.
  BOOL InitInstance() override;
  // m_nExitCode. The support log gets the exit code, or, after
  // NoteSessionEndDuringJob, that the run was cut off.
  int ExitInstance() override;
  // On the main thread, when the Windows session ends (WM_ENDSESSION with TRUE)
  // while the job runs: Windows may end the process at any moment after the
  // ExitInstance that follows, so that ExitInstance writes that the run was cut
  // off by the end of the session, not an exit code that the job may still change.
  void NoteSessionEndDuringJob();

  // Steps of start-up up to the main window: module directory, command line,
  // OS kind and WOW64 flag, whether the window station is visible, package
  // directory, and in install mode the check that it exists. FALSE (with EXIT_SETUP_FAILED set)
  // when start-up must stop; the reason has been shown as the rules say. args are the arguments
  // after the program name.
  BOOL StartUp(const std::vector<std::string>& args);

  // Whether the run asks nobody anything: /S was given, or nobody can see the
  // process's window station (a service's, where deployment tools run
  // installs), where a message box or the installer's wizard would wait for
  // ever. Then no message box is shown and the commands get their silent options.
  BOOL IsSilent() const;

  // The Setup.ini tag of this system: "" when it is unsupported (an OS kind
  // other than XP, Vista and 7, or an ARM host).
  std::string SupportedEditionTag() const;

  // Picks the Setup.ini line for this system and sets m_strPackageDir.
  BOOL ResolvePackageDir();

  // On the main thread, with the main window that the job runs under: before
  // the worker starts, and once it is done (or could not be started). For the
  // job's time a log-off or shutdown finds the window with its block reason
  // (CShutdownBlock).
  void BeginJob(HWND mainWindow);
  void EndJob();

  // The job, on the worker thread: DoUninstall with /U, else DoInstall, while
  // holding the machine's run guard (EXIT_SETUP_FAILED, nothing done, when
  // the guard cannot be had).
  void DoWork();
  // The install flow (package/install_flow.h) on this run's package folder
  // and IsSilent(); its exit bits go into m_nExitCode.
  void DoInstall();
  // The uninstall flow (package/uninstall_flow.h) on this run's package and
  // program folders, OS kind and IsSilent(); its exit bits go into m_nExitCode.
  void DoUninstall();

  CSetupCommandLineInfo m_cmdInfo;
  int m_nExitCode = 0;
  BOOL m_bWow64 = FALSE;
  int m_nOsKind = 0;
  // What IsWow64Process2 told of the host; an ARM host is unsupported.
  NativeMachine m_nativeMachine;
  std::string m_strPackageDir;
  std::string m_strModuleDir;
  // Set by StartUp where the process's window station is not visible.
  BOOL m_bHiddenStation = FALSE;
  // Set by NoteSessionEndDuringJob, cleared by the ExitInstance that reports it.
  BOOL m_bSessionEndDuringJob = FALSE;
  CShutdownBlock m_shutdownBlock;
};
