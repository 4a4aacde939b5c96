#include "tools/distcheck/checker_platform.h"

#include "env/code_page.h"

namespace {

// A system that only knows its code page; the walk asks for nothing else.
class CodePageOnlySystem : public SystemInfo {
 public:
  std::u16string GetModuleFileNameW() override { return std::u16string(); }
  bool GetShortPathNameW(const std::u16string&, std::u16string*) override { return false; }
  bool WideCharToAnsi(const std::u16string&, std::string*, bool*) override { return false; }
  bool GetVersion(OsVersion*) override { return false; }
  BOOL QueryWow64() override { return FALSE; }
  bool IsProcess64Bit() override { return false; }
  DWORD QueryNativeMachine(WORD*) override { return ERROR_PROC_NOT_FOUND; }
  BOOL DisableFsRedirection(PVOID*) override { return FALSE; }
  BOOL RevertFsRedirection(PVOID) override { return FALSE; }
  std::string GetWindowsDirectory() override { return std::string(); }
  const CodePage& GetCodePage() override { return m_codePage; }
  void Sleep(DWORD) override {}
  std::string FormatSystemMessage(DWORD) override { return std::string(); }

 private:
  CodePage m_codePage = CodePage::Ascii();
};

}  // namespace

ScopedCheckerPlatform::ScopedCheckerPlatform(InfParser* inf)
    : m_previous(GetPlatform()), m_system(new CodePageOnlySystem()) {
  Platform platform = m_previous;
  platform.inf = inf;
  platform.system = m_system.get();
  SetPlatform(platform);
}

ScopedCheckerPlatform::~ScopedCheckerPlatform() { SetPlatform(m_previous); }
