// In-memory stand-ins for the system services, for the native unit tests.
// FakePlatform installs them all (with the FakeRegistry of fake_registry.h,
// the FakeSynchronization of fake_synchronization.h, the FakeLogFile of
// fake_log_file.h and the FakeShutdownControl of fake_shutdown_control.h) for
// the lifetime of the object and resets the probe caches around it.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "env/device_io.h"
#include "env/file_system.h"
#include "env/inf_parser.h"
#include "env/process_runner.h"
#include "env/system_info.h"
#include "env/user_interface.h"
#include "tests/fakes/fake_log_file.h"
#include "tests/fakes/fake_process_table.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_shutdown_control.h"
#include "tests/fakes/fake_synchronization.h"

// A file system of paths (compared without regard to ASCII case, as Windows
// does) that are either directories or files with contents.
class FakeFileSystem : public FileSystem {
 public:
  void AddDirectory(const std::string& path, DWORD extraAttributes = 0);
  void AddFile(const std::string& path, const std::string& contents, DWORD extraAttributes = 0);
  void Remove(const std::string& path);
  // Paths that cannot be opened for reading (they still exist).
  void MakeUnreadable(const std::string& path) { m_unreadable.push_back(Key(path)); }
  // Reads of this file return fewer bytes than its length.
  void MakeShortRead(const std::string& path) { m_shortRead.push_back(Key(path)); }

  bool GetAttributes(const std::string& path, DWORD* attributes) override;
  std::unique_ptr<ReadableFile> OpenForRead(const std::string& path) override;
  // Supports one '*' in the last component, matched without regard to ASCII case.
  std::vector<FoundFile> FindFiles(const std::string& pattern) override;
  // The type of a root in driveTypes; DRIVE_NO_ROOT_DIR for any other root,
  // and for one without its trailing backslash, which the call requires.
  UINT QueryDriveType(const std::string& root) override;

  // The drives of this process by root, in lower case ("c:\\").
  std::map<std::string, UINT> driveTypes{{"c:\\", DRIVE_FIXED}};

 private:
  struct Node {
    std::string path;  // as added
    bool directory = false;
    DWORD attributes = 0;
    std::string contents;
  };
  static std::string Key(const std::string& path);
  std::map<std::string, Node> m_nodes;
  std::vector<std::string> m_unreadable;
  std::vector<std::string> m_shortRead;
};

// The system's side of names: the executable's path in UTF-16, the short
// names of path components, and the ANSI code page's characters.
class FakeSystemInfo : public SystemInfo {
 public:
  std::u16string moduleFileName = u"C:\\Dist\\Setup.exe";
  // Short names by long component name (exact match); a component without one
  // keeps its name, as an already short name does.
  std::map<std::u16string, std::u16string> shortNames;
  bool shortNamesOff = false;   // a volume that makes no short names
  bool shortPathFails = false;  // e.g. a parent folder that may not be read
  // The ANSI code page's characters beyond ASCII, each with its bytes; every
  // other character becomes the default character '?' (with
  // WC_NO_BEST_FIT_CHARS also those with a look-alike), setting used-default.
  std::map<char16_t, std::string> ansiCharacters;
  bool versionOk = true;
  OsVersion version{2, 6, 1};
  BOOL wow64 = FALSE;
  bool process64Bit = false;  // the 64-bit test build
  // IsWow64Process2: absent unless set (before Windows 10 1709).
  DWORD nativeMachineError = ERROR_PROC_NOT_FOUND;
  WORD nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
  bool redirectionAvailable = true;  // the system has the redirection functions
  BOOL disableResult = TRUE;
  std::string windowsDirectory = "C:\\Windows";
  CodePage codePage = CodePage::Ascii();

  // What happened.
  int versionQueries = 0;
  int wow64Queries = 0;
  int disableCalls = 0;
  int revertCalls = 0;
  PVOID revertedValue = nullptr;
  std::vector<std::u16string> shortPathQueries;
  std::vector<DWORD> sleeps;
  // Whether redirection is off now (for the thread that switched it).
  bool redirectionOff = false;

  std::u16string GetModuleFileNameW() override { return moduleFileName; }
  bool GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) override;
  bool WideCharToAnsi(const std::u16string& text, std::string* ansi, bool* usedDefault) override;
  bool GetVersion(OsVersion* v) override;
  BOOL QueryWow64() override;
  bool IsProcess64Bit() override { return process64Bit; }
  DWORD QueryNativeMachine(WORD* machine) override;
  BOOL DisableFsRedirection(PVOID* oldValue) override;
  BOOL RevertFsRedirection(PVOID oldValue) override;
  std::string GetWindowsDirectory() override { return windowsDirectory; }
  const CodePage& GetCodePage() override { return codePage; }
  // The system's texts of error codes (FormatMessage), as one line each; a
  // code without one has no text.
  std::map<DWORD, std::string> messages{
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_FUNCTION_FAILED, "Function failed during execution."}};
  std::string FormatSystemMessage(DWORD code) override {
    const auto found = messages.find(code);
    return found == messages.end() ? std::string() : found->second;
  }
  std::function<void(DWORD)> onSleep;  // time passing on the fake machine
  void Sleep(DWORD ms) override {
    sleeps.push_back(ms);
    if (onSleep) onSleep(ms);
  }
};

// Records every command line and runs an optional action when it starts. A
// started program ends with the scripted exit codes (in order; the last one
// repeats; 0 when none). Faults, for every command: the start, the wait or the
// exit-code query fails with the given error (0: it does not fail). Started
// programs and command markers live in table (the process ids 5000, 5004, ...);
// a started program runs until its wait succeeds.
class FakeProcessRunner : public ProcessRunner {
 public:
  std::vector<std::string> commands;
  std::vector<DWORD> results;
  std::function<void(const std::string&)> onRun;
  std::function<void()> onWait;  // called as the wait for a started program begins
  DWORD startError = 0;
  DWORD waitError = 0;      // the wait answers WAIT_FAILED with it
  DWORD exitCodeError = 0;  // the query answers FALSE with it
  DWORD identityError = 0;  // the started program's creation time cannot be read
  FakeProcessTable table;

  // What happened, in order: "start", "wait", "exit code", "close" per program.
  std::vector<std::string> steps;
  // Programs started and not yet released.
  int open = 0;
  // Whether each started program was given a marker to inherit.
  std::vector<bool> inherited;

  // The exit code that the program started as command number index ends with.
  DWORD ScriptedResult(size_t index) const {
    return results.empty() ? 0 : results[std::min(index, results.size() - 1)];
  }

  std::unique_ptr<StartedProcess> Start(std::string commandLine, CommandMarker* marker,
                                        DWORD* error) override;
  std::unique_ptr<CommandMarker> CreateMarker(const std::string& name, DWORD size, bool* existed,
                                              DWORD* error) override {
    return table.CreateMarker(name, size, existed, error);
  }
  std::unique_ptr<CommandMarker> OpenMarker(const std::string& name, DWORD* error) override {
    return table.OpenMarker(name, error);
  }
  std::unique_ptr<OpenedProcess> OpenProcess(DWORD processId, DWORD* error) override {
    return table.OpenProcess(processId, error);
  }
};

// INF files as lists of lines per section; each line is its fields (0: key).
// A file with a Windows-style Signature in [Version] does not open, as the
// legacy style refuses it on Windows.
class FakeInfParser : public InfParser {
 public:
  using Line = std::vector<std::string>;
  // A file the parser can open; sections are matched without regard to case.
  void AddFile(const std::string& path, std::map<std::string, std::vector<Line>> sections);
  std::vector<std::string> opened;  // every path asked for
  int openFiles = 0;                // files opened and not yet closed

  std::unique_ptr<InfFile> Open(const std::string& path) override;

 private:
  std::map<std::string, std::map<std::string, std::vector<Line>>> m_files;
};

class FakeUserInterface : public UserInterface {
 public:
  std::vector<std::string> messages;
  void MessageBox(const std::string& text) override { messages.push_back(text); }
};

class FakeDeviceIo : public DeviceIo {
 public:
  bool present = false;
  std::vector<std::string> opened;
  std::vector<DWORD> controlCodes;
  bool OpenAndControl(const std::string& path, DWORD controlCode) override;
};

struct FakePlatform {
  FakePlatform();
  ~FakePlatform();
  FakeRegistry registry;
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeProcessRunner runner;
  FakeInfParser inf;
  FakeUserInterface ui;
  FakeDeviceIo device;
  FakeLogFile log;
  FakeSynchronization sync;
  FakeShutdownControl shutdown{system};
};
