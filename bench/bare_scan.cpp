// The benchmark's reference for scan cost: the registry and file reads of the
// setup program's silent install, done plainly, in the same process shape (a
// hidden main window and one worker thread).
//
//   bare_scan.exe <installer command line>
//
// The worker switches file-system redirection off (when the process runs under
// WOW64), scans the "Uninstall" key (64-bit view under WOW64), runs the
// installer and waits for it, scans again, and restores redirection. A scan:
// for every subkey, enumerate its name, open it, read "UninstallString" into a
// 260-byte buffer, lower-case it, search "zavcir.inf"; for a match, keep the
// entry and read its INF file (the path from the Windows directory on) up to
// the "DriverVer" line.
//
// Exit code: (entries of the second scan whose DriverVer line was found << 16)
// | entries of the second scan, or 0x80000000 when the two scans disagree or
// the installer failed, so that a run can be checked against the data set.
#include <windows.h>

#include <string>
#include <vector>

#include "bench/hidden_window_run.h"

namespace {

constexpr DWORD kFailed = 0x80000000;
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr DWORD kBufferSize = 260;

struct Entry {
  std::string keyName;
  std::string command;
  std::string infPath;
  std::string driverVersion;
};

// Lower-case table and lead bytes of the active ANSI code page.
struct CodePageTable {
  bool leadByte[256] = {};
  char lower[256] = {};
};

CodePageTable ReadCodePage() {
  CodePageTable table;
  CPINFO info;
  if (::GetCPInfo(::GetACP(), &info)) {
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
      for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) table.leadByte[b] = true;
  }
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    if (b != 0 && !table.leadByte[b]) ::CharLowerBuffA(&c, 1);
    table.lower[b] = c;
  }
  return table;
}

void LowerInPlace(std::string& text, const CodePageTable& cp) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (cp.leadByte[b])
      ++i;
    else
      text[i] = cp.lower[b];
  }
}

// The version on the INF's "DriverVer" line (after the first ',' behind the
// '='), read chunk by chunk up to that line; "" when there is none.
std::string ReadDriverVersion(const std::string& path) {
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string pending, version;
  char chunk[4096];
  DWORD got = 0;
  bool found = false;
  while (!found && ::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    pending.append(chunk, got);
    size_t start = 0, end;
    while ((end = pending.find('\n', start)) != std::string::npos) {
      const std::string line = pending.substr(start, end - start);
      start = end + 1;
      const size_t key = line.find("DriverVer");
      if (key == std::string::npos) continue;
      const size_t comma = line.find(',', line.find('=', key));
      if (comma == std::string::npos) continue;
      for (size_t i = comma + 1; i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\r') version += line[i];
      found = true;
      break;
    }
    pending.erase(0, start);
  }
  ::CloseHandle(file);
  return version;
}

// One pass over the "Uninstall" key; the matching entries, in enumeration order.
std::vector<Entry> Scan(REGSAM viewFlag, const std::string& windowsDir, const CodePageTable& cp) {
  std::vector<Entry> entries;
  HKEY uninstall = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                      KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | viewFlag,
                      &uninstall) != ERROR_SUCCESS)
    return entries;
  for (DWORD index = 0;; ++index) {
    char name[kBufferSize];
    DWORD nameLength = kBufferSize;
    const LONG enumerated =
        ::RegEnumKeyExA(uninstall, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (enumerated == ERROR_NO_MORE_ITEMS) break;
    if (enumerated != ERROR_SUCCESS) continue;
    HKEY subKey = nullptr;
    if (::RegOpenKeyExA(uninstall, name, 0, KEY_QUERY_VALUE | viewFlag, &subKey) != ERROR_SUCCESS)
      continue;
    char data[kBufferSize + 1];
    DWORD type = 0, size = kBufferSize;
    if (::RegQueryValueExA(subKey, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(data),
                           &size) == ERROR_SUCCESS) {
      data[size < kBufferSize ? size : kBufferSize] = '\0';
      std::string command = data;
      LowerInPlace(command, cp);
      if (command.find("zavcir.inf") != std::string::npos) {
        Entry entry;
        entry.keyName = name;
        entry.command = command;
        const size_t at = command.find(windowsDir);
        if (!windowsDir.empty() && at != std::string::npos) {
          entry.infPath = command.substr(at);
          entry.driverVersion = ReadDriverVersion(entry.infPath);
        }
        entries.push_back(entry);
      }
    }
    ::RegCloseKey(subKey);
  }
  ::RegCloseKey(uninstall);
  return entries;
}

BOOL RunsUnderWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

DWORD ScanInstallScan(const std::string& installerCommand) {
  const HMODULE kernel32 = ::GetModuleHandleA("kernel32");
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);
  const auto disable = reinterpret_cast<DisableFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection")));
  const auto revert = reinterpret_cast<RevertFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection")));
  const BOOL wow64 = RunsUnderWow64();
  PVOID oldValue = nullptr;
  const BOOL disabled = wow64 && disable && disable(&oldValue);

  const CodePageTable cp = ReadCodePage();
  char buffer[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  std::string windowsDir(buffer, length < MAX_PATH ? length : 0);
  LowerInPlace(windowsDir, cp);
  const REGSAM view = wow64 ? KEY_WOW64_64KEY : 0;

  const std::vector<Entry> before = Scan(view, windowsDir, cp);
  const DWORD installed = RunAndWait(installerCommand);
  const std::vector<Entry> after = Scan(view, windowsDir, cp);
  if (disabled) revert(oldValue);

  if ((installed & kFailed) || before.size() != after.size()) return kFailed;
  DWORD withVersion = 0;
  for (const Entry& entry : after)
    if (!entry.driverVersion.empty()) ++withVersion;
  return (withVersion << 16) | static_cast<DWORD>(after.size());
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(
      RunWithHiddenWindow(instance, &ScanInstallScan, CommandLineAfterProgramName()));
}
