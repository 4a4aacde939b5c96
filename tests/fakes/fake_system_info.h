// A SystemInfo for the unit tests: the answers, the faults and what was asked.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "env/code_page.h"
#include "env/system_info.h"
#include "env/win_types.h"

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
