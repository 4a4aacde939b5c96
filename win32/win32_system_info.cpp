#include "win32/win32_system_info.h"

#include "win32/proc_address.h"
#include "win32/unique_handles.h"

namespace {

// The active ANSI code page: lead bytes from GetCPInfo's ranges, and the
// lower-case form of every single-byte character from CharLowerBuffA.
CodePage ReadActiveCodePage() {
  CodePage cp;
  cp.number = ::GetACP();
  CPINFO info;
  if (::GetCPInfo(cp.number, &info)) {
    // Pairs of inclusive ranges, ended by a pair of zero bytes.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) cp.leadByte[b] = true;
    }
  }
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    if (b != 0 && !cp.leadByte[b]) ::CharLowerBuffA(&c, 1);
    cp.lower[b] = static_cast<uint8_t>(c);
  }
  return cp;
}

}  // namespace

Win32SystemInfo::Win32SystemInfo() : codePage_(ReadActiveCodePage()) {}

std::string Win32SystemInfo::GetModuleFileName() {
  char buffer[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  // 0 is a failure; MAX_PATH means the name was cut (XP leaves it unterminated).
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(buffer, length);
}

bool Win32SystemInfo::GetVersion(OsVersion* version) {
  OSVERSIONINFOA info = {};
  static_assert(sizeof(info) == 148, "the plain version record");
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  version->platformId = info.dwPlatformId;
  version->majorVersion = info.dwMajorVersion;
  version->minorVersion = info.dwMinorVersion;
  return true;
}

BOOL Win32SystemInfo::QueryWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  // Already loaded in every process: no load and no release.
  const auto isWow64Process =
      GetProcAddressAs<IsWow64ProcessFn>(::GetModuleHandleA("kernel32"), "IsWow64Process");
  BOOL wow64 = FALSE;
  if (isWow64Process && !isWow64Process(::GetCurrentProcess(), &wow64)) wow64 = FALSE;
  return wow64;
}

BOOL Win32SystemInfo::DisableFsRedirection(PVOID* oldValue) {
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  unique_hmodule kernel32(::LoadLibraryA("Kernel32.dll"));
  const auto disable =
      GetProcAddressAs<DisableFn>(kernel32.get(), "Wow64DisableWow64FsRedirection");
  return disable ? disable(oldValue) : FALSE;
}

BOOL Win32SystemInfo::RevertFsRedirection(PVOID oldValue) {
  using RevertFn = BOOL(WINAPI*)(PVOID);
  unique_hmodule kernel32(::LoadLibraryA("Kernel32.dll"));
  const auto revert = GetProcAddressAs<RevertFn>(kernel32.get(), "Wow64RevertWow64FsRedirection");
  return revert ? revert(oldValue) : FALSE;
}

std::string Win32SystemInfo::GetWindowsDirectory() {
  char buffer[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  // A length of MAX_PATH or more is the size the text would need: nothing was written.
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(buffer, length);
}

void Win32SystemInfo::Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
