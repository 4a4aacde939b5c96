// What the system tells about itself, through kernel32 (and user32 for the
// code page's lower-casing). The optional WOW64 functions are looked up by name
// at run time and never imported, so the executable still starts on systems
// that lack them.
#pragma once

#include "env/system_info.h"

class Win32SystemInfo : public SystemInfo {
 public:
  // Reads the active ANSI code page's tables; construct on the main thread at
  // start-up, before any other thread exists.
  Win32SystemInfo();

  std::u16string GetModuleFileNameW() override;
  bool GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) override;
  bool WideCharToAnsi(const std::u16string& text, std::string* ansi, bool* usedDefault) override;
  bool GetVersion(OsVersion* version) override;
  BOOL QueryWow64() override;
  bool IsProcess64Bit() override { return sizeof(void*) == 8; }
  DWORD QueryNativeMachine(WORD* nativeMachine) override;
  // Each call loads "Kernel32.dll", looks the function up and releases the
  // library again; FALSE where the library or the function is missing, and
  // in the 64-bit test build, whose own process is never redirected.
  BOOL DisableFsRedirection(PVOID* oldValue) override;
  BOOL RevertFsRedirection(PVOID oldValue) override;
  std::string GetWindowsDirectory() override;
  const CodePage& GetCodePage() override { return m_codePage; }
  void Sleep(DWORD milliseconds) override;
  std::string FormatSystemMessage(DWORD code) override;

 private:
  CodePage m_codePage;
};
