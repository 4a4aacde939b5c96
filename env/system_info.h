// What the system tells about itself (kernel32, user32 for the code page's
// lower-casing).
#pragma once

#include <string>

#include "env/code_page.h"
#include "env/win_types.h"

// The parts of GetVersionExA's record that the OS kind is made of.
struct OsVersion {
  DWORD platformId = 0;
  DWORD majorVersion = 0;
  DWORD minorVersion = 0;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetModuleFileNameW(NULL, buffer, 32768): the executable's full path in
  // UTF-16, in the form it was started with (long or short names, perhaps with
  // the \\?\ prefix); the buffer holds the longest path Windows allows. Empty
  // on failure, and when the path fills the whole buffer, which means it was
  // cut (XP then leaves it unterminated and still reports success).
  virtual std::u16string GetModuleFileNameW() = 0;
  // GetShortPathNameW(path, buffer, size), asked once more with the size that a
  // too small buffer's answer names (that size counts the NUL): true and
  // *shortPath set to the path with each component that has a short name
  // replaced by it; the path itself where none has (names already short, or
  // a volume that makes no short names). A \\?\ or \\?\UNC\ prefix is kept.
  // false when the path cannot be queried: missing, a parent folder that may
  // not be read, or MAX_PATH characters or more without such a prefix.
  virtual bool GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) = 0;
  // WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, ..., NULL,
  // &usedDefault): true, *ansi set to the text in the ANSI code page and
  // *usedDefault to whether any character became the default character, as
  // the flag makes every character without a code of its own (look-alikes
  // included). An ANSI code page of UTF-8 takes neither the flag nor the
  // pointer: every valid text converts exactly there. false when the text
  // cannot be converted at all.
  virtual bool WideCharToAnsi(const std::u16string& text, std::string* ansi, bool* usedDefault) = 0;
  // GetVersionExA with the 148-byte OSVERSIONINFOA. false when the query fails;
  // *version is then not touched.
  virtual bool GetVersion(OsVersion* version) = 0;
  // IsWow64Process looked up by name in the loaded "kernel32" and called for the
  // current process; FALSE where the function is absent or fails.
  virtual BOOL QueryWow64() = 0;
  // Whether this process's own code is 64-bit: true only in the 64-bit test
  // build (never shipped), which runs on 64-bit Windows by definition and so
  // takes the 64-bit tag and registry view without asking IsWow64Process.
  virtual bool IsProcess64Bit() = 0;
  // IsWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine), looked
  // up by name in the loaded "kernel32" (Windows 10 1709 and later). ERROR_SUCCESS
  // with *nativeMachine set to the IMAGE_FILE_MACHINE_* value of the host:
  // IMAGE_FILE_MACHINE_AMD64 or IMAGE_FILE_MACHINE_ARM64 for this 32-bit x86
  // program under WOW64 (also on Windows 10 on ARM, where IsWow64Process answers
  // FALSE), IMAGE_FILE_MACHINE_I386 on 32-bit Windows; Wine 8 answers as
  // Windows does for its prefix's machine. ERROR_PROC_NOT_FOUND where the function is
  // absent, else GetLastError() of the failed call; *nativeMachine is then not
  // touched.
  virtual DWORD QueryNativeMachine(WORD* nativeMachine) = 0;
  // Wow64DisableWow64FsRedirection(oldValue), looked up in "Kernel32.dll" on
  // every call: TRUE with *oldValue set, redirection off for the calling
  // thread until RevertFsRedirection; FALSE where absent or failed.
  virtual BOOL DisableFsRedirection(PVOID* oldValue) = 0;
  // Wow64RevertWow64FsRedirection(oldValue), looked up the same way: TRUE when
  // the calling thread's redirection is back on; FALSE where absent or failed.
  virtual BOOL RevertFsRedirection(PVOID oldValue) = 0;
  // GetWindowsDirectoryA through a 260-character buffer: the text up to its NUL;
  // empty when the call fails or the path does not fit.
  virtual std::string GetWindowsDirectory() = 0;
  // The active ANSI code page (GetACP): its lead bytes (GetCPInfo) and
  // single-byte lower-casing (CharLowerBuffA), read once.
  virtual const CodePage& GetCodePage() = 0;
  // Sleep(milliseconds): returns once the time has passed.
  virtual void Sleep(DWORD milliseconds) = 0;
  // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
  // FORMAT_MESSAGE_MAX_WIDTH_MASK, NULL, code, 0, buffer, 1024, NULL): the
  // system's text for an error code in the language Windows picks, as one line
  // (line breaks become blanks) without trailing blanks; empty when the system
  // has no text for it (ERROR_MR_MID_NOT_FOUND) or the call fails.
  virtual std::string FormatSystemMessage(DWORD code) = 0;
};
