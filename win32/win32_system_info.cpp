#include "win32/win32_system_info.h"

#include <vector>

#include "base/unique_handles.h"
#include "win32/proc_address.h"

namespace {

// WC_ERR_INVALID_CHARS, which the headers give Vista and later only: no older
// Windows has UTF-8 as its ANSI code page.
constexpr DWORD kErrInvalidChars = 0x00000080;

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

Win32SystemInfo::Win32SystemInfo() : m_codePage(ReadActiveCodePage()) {}

std::u16string Win32SystemInfo::GetModuleFileNameW() {
  // The longest path Windows allows (32767 characters) and its NUL.
  std::vector<wchar_t> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
  // 0 is a failure; the whole buffer means the name was cut (XP leaves it unterminated).
  if (length == 0 || length >= size) return std::u16string();
  return std::u16string(buffer.begin(), buffer.begin() + length);
}

bool Win32SystemInfo::GetShortPathNameW(const std::u16string& path, std::u16string* shortPath) {
  std::vector<wchar_t> longPath(path.begin(), path.end());
  longPath.push_back(L'\0');
  std::vector<wchar_t> buffer(MAX_PATH);
  // A too small buffer is answered with the size needed, the NUL counted; a
  // success with the length, the NUL not counted. A second answer that still
  // does not fit (the folder renamed meanwhile) is a failure.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetShortPathNameW(longPath.data(), buffer.data(), size);
    if (length == 0) return false;
    if (length < size) {
      shortPath->assign(buffer.begin(), buffer.begin() + length);
      return true;
    }
    buffer.resize(length);
  }
  return false;
}

bool Win32SystemInfo::WideCharToAnsi(const std::u16string& text, std::string* ansi,
                                     bool* usedDefault) {
  ansi->clear();
  *usedDefault = false;
  if (text.empty()) return true;  // the call itself refuses an empty text
  const std::vector<wchar_t> wide(text.begin(), text.end());
  const int length = static_cast<int>(wide.size());
  // UTF-8 (an ANSI code page since Windows 10 1903, by the administrator's
  // choice) takes neither the best-fit flag nor the used-default pointer; every
  // valid text converts exactly, and WC_ERR_INVALID_CHARS fails the rest.
  const bool utf8 = m_codePage.number == CP_UTF8;
  const DWORD flags = utf8 ? kErrInvalidChars : WC_NO_BEST_FIT_CHARS;
  BOOL used = FALSE;
  BOOL* const usedPointer = utf8 ? nullptr : &used;
  const int size =
      ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, usedPointer);
  if (size <= 0) return false;
  std::string converted(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, &converted[0], size, nullptr,
                            usedPointer) != size)
    return false;
  *ansi = converted;
  *usedDefault = used != FALSE;
  return true;
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

DWORD Win32SystemInfo::QueryNativeMachine(WORD* nativeMachine) {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto isWow64Process2 =
      GetProcAddressAs<IsWow64Process2Fn>(::GetModuleHandleA("kernel32"), "IsWow64Process2");
  if (!isWow64Process2) return ERROR_PROC_NOT_FOUND;
  USHORT process = IMAGE_FILE_MACHINE_UNKNOWN, native = IMAGE_FILE_MACHINE_UNKNOWN;
  if (!isWow64Process2(::GetCurrentProcess(), &process, &native)) {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INVALID_FUNCTION;  // a failure all the same
  }
  *nativeMachine = native;
  return ERROR_SUCCESS;
}

BOOL Win32SystemInfo::DisableFsRedirection(PVOID* oldValue) {
  if (IsProcess64Bit()) return FALSE;
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  unique_hmodule kernel32(::LoadLibraryA("Kernel32.dll"));
  const auto disable =
      GetProcAddressAs<DisableFn>(kernel32.get(), "Wow64DisableWow64FsRedirection");
  return disable ? disable(oldValue) : FALSE;
}

BOOL Win32SystemInfo::RevertFsRedirection(PVOID oldValue) {
  if (IsProcess64Bit()) return FALSE;
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

std::string Win32SystemInfo::FormatSystemMessage(DWORD code) {
  // The longest system text is far below 1024 characters; the width mask makes
  // the call write blanks for the text's line breaks, its last one included.
  char buffer[1024];
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  if (length == 0 || length >= sizeof buffer) return std::string();
  std::string text(buffer, length);
  const size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}
