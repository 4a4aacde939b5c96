// The system probes: the only place where the program asks the system about
// itself. The OS kind and the WOW64 flag are computed once and cached; start-up
// fills both caches on the main thread before any other thread exists.
#pragma once

#include <string>

#include "env/win_types.h"

enum OsKind : int {
  OS_WIN9X = 0,
  OS_WINME = 1,
  OS_WIN2000 = 2,
  OS_WINXP = 3,
  OS_VISTA = 4,
  OS_WIN7 = 5,
};

struct OsVersion;
struct CodePage;

// The OS kind for a version record (platform identifier, major, minor).
int ClassifyOsVersion(const OsVersion& version);

// The directory part of a module path: the text before its last backslash
// (double-byte aware), never ending in a backslash; "" when there is none.
std::string CutModuleDirectory(const std::string& modulePath, const CodePage& cp);

// How the program names its own folder in the ANSI code page.
enum ModuleDirForm : int {
  MODULE_DIR_LONG,        // the full path: what the ANSI call gives wherever it can
  MODULE_DIR_SHORT,       // the full path's short form, naming the same folder
  MODULE_DIR_UNNAMEABLE,  // no form converts to the ANSI code page exactly
  MODULE_DIR_TOO_LONG,    // the forms that convert have MAX_PATH characters or more
  MODULE_DIR_UNKNOWN,     // the system did not tell the path
};

// One form of the executable's path in the ANSI code page.
struct ModulePathForm {
  bool known = false;  // the system gave this form
  bool exact = false;  // converted with no character replaced by the default one
  std::string text;    // as converted: the default character stands for the rest
};

// The running executable's folder and how it was named. dir is empty unless
// the form is MODULE_DIR_LONG or MODULE_DIR_SHORT.
struct ModuleDirectory {
  ModuleDirForm form = MODULE_DIR_UNKNOWN;
  std::string dir;  // without a trailing backslash; "D:" for a drive's root
  ModulePathForm full, shortForm;
};

// The running executable's folder: the full path when it converts exactly and
// has fewer than MAX_PATH characters; else its short form under the same
// rule; else none.
ModuleDirectory FindModuleDirectory();

// The running executable's directory as FindModuleDirectory names it, "" when
// it cannot.
void GetModuleDirectory(std::string& dir);

// The path exists and is a directory / exists and is not a directory.
BOOL IsDirectory(const std::string& path);
BOOL IsFile(const std::string& path);

// OS kind 0 to 5, cached after the first call. A failed version query yields
// OS_WIN9X, an unsupported kind.
int GetOsKind();

// TRUE when the program runs on 64-bit Windows: the 32-bit program under WOW64,
// or the 64-bit test build; cached after the first call.
BOOL IsWow64();

// The host's machine as IsWow64Process2 tells it.
struct NativeMachine {
  DWORD error = ERROR_PROC_NOT_FOUND;  // ERROR_SUCCESS: told; ERROR_PROC_NOT_FOUND: no function
  WORD machine = IMAGE_FILE_MACHINE_UNKNOWN;  // IMAGE_FILE_MACHINE_*, when told
};

// Asks the system once per call; start-up asks it once, on the main thread.
NativeMachine GetNativeMachine();

// Windows on an ARM host (ARM64, or 32-bit ARM) loads ARM kernel drivers only,
// never the package's x86 or x64 ones, whatever it emulates for programs.
bool IsArmHost(const NativeMachine& native);

// The process's window station, as far as the system tells it.
struct WindowStation {
  DWORD error = ERROR_SUCCESS;  // of the query of its flags; they are unknown unless ERROR_SUCCESS
  DWORD flags = 0;              // USEROBJECTFLAGS' dwFlags, when known
  std::string name;             // "" when not told
};

// Asks the system once per call; start-up asks it once, on the main thread.
WindowStation GetWindowStation();

// Whether a window of the process can be seen, and so a message box or the
// installer's wizard be answered: the station has WSF_VISIBLE. A station whose
// flags are unknown counts as visible, as every station did before the
// question was asked.
bool IsVisible(const WindowStation& station);

// Switch file-system redirection off / back on for the calling thread. FALSE
// where the system lacks the functions.
BOOL DisableFsRedirection(PVOID* pOldValue);
BOOL RevertFsRedirection(PVOID oldValue);

// Forgets both caches, so that a test can present another system.
void ResetProbeCachesForTesting();
