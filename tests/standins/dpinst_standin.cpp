// A stand-in for the driver package installer (DPInst.exe) for the end-to-end
// tests. As far as the setup program can see, it does what the real installer
// does: it copies the package into the driver store, registers an "Uninstall"
// entry for it, removes both again on request, and reports through its exit
// code. It shows nothing.
//
// Command lines (its own name quoted or not; flags case-insensitive, any order):
//   install     /LM /P   or   /LM /SW /F
//               package = the files beside this executable (zavcir.inf and the
//               rest, not the executable itself)
//   uninstall   [/S] /U <inf path>     (the path is the rest of the line, quoted or not)
// Anything else is refused with exit code 0x80000000 and changes nothing.
//
// Driver store folder of a package (the same package bytes give the same folder):
//   Vista and later  <System32>\DriverStore\FileRepository\zavcir.inf_<x86|amd64>_<hash>
//   XP (major < 6)   <System32>\DRVSTORE\zavcir_<hash>
// hash = 16 lower-case hex digits of the 64-bit FNV-1a hash of zavcir.inf.
// Uninstall entry: HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<40
// upper-case hex digits derived from the same bytes> with DisplayName, DisplayVersion
// (date and version of the INF's DriverVer line, read from ANSI or UTF-16LE text)
// and the unquoted UninstallString "<this exe> /u <store folder>\zavcir.inf", this
// exe named by its short path where the ANSI code page cannot name it. The
// 64-bit build writes the 64-bit registry view and the real System32; the 32-bit
// build refuses to run on 64-bit Windows (0x80000000), as the real one does.
//
// Behaviour per run, from the environment (numbers decimal or 0x-hex; all optional):
//   ZAVCIR_STANDIN_EXIT                 install exit code (default 0x1: one package
//                                       installed on a device)
//   ZAVCIR_STANDIN_UNINSTALL_EXIT       uninstall exit code (default 0)
//   ZAVCIR_STANDIN_SKIP_REGISTRATION=1  install copies into the store, writes no entry
//   ZAVCIR_STANDIN_SLEEP_MS             pause after logging, before acting
//   ZAVCIR_STANDIN_LOG                  command log (default C:\standin\commands.log)
//   ZAVCIR_STANDIN_EVENTS               event log (default C:\standin\events.log)
//   ZAVCIR_STANDIN_HOLD                 hold points, comma-separated (below)
//   ZAVCIR_STANDIN_HOLD_MATCH           hold only a run whose command line contains
//                                       this text (ASCII case ignored)
//   ZAVCIR_STANDIN_RELEASE              the file that ends a hold (default
//                                       C:\standin\release)
// An exit code with the failure bit 0x80000000 changes nothing on the system.
// An uninstall of an INF that is not in the driver store, or is gone, fails
// (0x80000000) and changes nothing.
// Every command line, exactly as received, is appended to the log, one per line,
// before anything else happens.
//
// The event log shows when runs begin and end, so that a test can tell runs
// that overlapped from runs one after another; one line each, appended:
//   begin <process id> <command line>   after the command log, before anything else
//   hold <process id> <point>           a hold point is reached
//   end <process id> 0x%08X             just before the process exits, with its code
// Hold points, where a run waits until the release file exists (at most two
// minutes), so that a test can cut the run off there:
//   install       an install, before it copies anything
//   registered    an install, after it wrote the "Uninstall" entry, before it exits
//   uninstall     an uninstall, before it removes anything
//   unregistered  an uninstall, after it deleted the entries, before it removes
//                 the store folder
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/unique_handles.h"
#include "tests/standins/process_text.h"

namespace {

constexpr DWORD kFailed = 0x80000000;
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kInfName[] = "zavcir.inf";

// The variable's number, or fallback when it is unset.
DWORD GetEnvNumber(const wchar_t* name, DWORD fallback) {
  const std::string text = AnsiEnv(name);
  return text.empty() ? fallback : static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

// ASCII lower case; bytes of double-byte characters are left alone.
std::string Lower(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(out[i])) && i + 1 < out.size()) {
      ++i;
    } else if (out[i] >= 'A' && out[i] <= 'Z') {
      out[i] = static_cast<char>(out[i] - 'A' + 'a');
    }
  }
  return out;
}

// Position of the last backslash that is not the trail byte of a double-byte
// character, or npos.
size_t LastSeparator(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      last = i;
    }
  }
  return last;
}

std::string DirectoryOf(const std::string& path) {
  const size_t sep = LastSeparator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

std::string FileNameOf(const std::string& path) {
  const size_t sep = LastSeparator(path);
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// The text in the ANSI code page when every character has a code of its own
// there (no default character, no look-alike) and it fits in MAX_PATH.
bool ToExactAnsi(const std::wstring& text, std::string* ansi) {
  char buffer[MAX_PATH];
  BOOL usedDefault = FALSE;
  const int n =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          buffer, MAX_PATH - 1, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  ansi->assign(buffer, n);
  return true;
}

// This program's path as an ANSI program can use it: the full path, or its
// short form where the ANSI code page cannot name the full path or it is too
// long (Wine hands a program started by its short path the long one); "" when
// neither serves. The package is read through it, and the uninstall command
// names it. (The real installer is a Unicode program, and its command names
// its own copy under Program Files.)
std::string ModulePath() {
  std::vector<wchar_t> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), size);
  if (n == 0 || n >= size) return std::string();
  const std::wstring path(buffer.data(), n);
  std::string ansi;
  if (ToExactAnsi(path, &ansi)) return ansi;
  const std::wstring prefix = L"\\\\?\\";  // lifts MAX_PATH for a drive path
  const std::wstring query = path.size() >= MAX_PATH ? prefix + path : path;
  const DWORD s = GetShortPathNameW(query.c_str(), buffer.data(), size);
  if (s == 0 || s >= size) return std::string();
  std::wstring shortPath(buffer.data(), s);
  if (query != path && shortPath.compare(0, prefix.size(), prefix) == 0)
    shortPath.erase(0, prefix.size());
  return ToExactAnsi(shortPath, &ansi) ? ansi : std::string();
}

// The variable's value, or fallback when it is unset.
std::string EnvOr(const wchar_t* name, const char* fallback) {
  const std::string value = AnsiEnv(name);
  return value.empty() ? fallback : value;
}

void AppendLine(const std::string& path, const std::string& line) {
  CreateDirectoryA(DirectoryOf(path).c_str(), nullptr);  // one level is enough
  unique_hfile file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void AppendToLog(const std::string& line) {
  AppendLine(EnvOr(L"ZAVCIR_STANDIN_LOG", "C:\\standin\\commands.log"), line);
}

// "<kind> <process id> <text>" to the event log.
void AppendEvent(const char* kind, const std::string& text) {
  AppendLine(EnvOr(L"ZAVCIR_STANDIN_EVENTS", "C:\\standin\\events.log"),
             std::string(kind) + " " + std::to_string(GetCurrentProcessId()) + " " + text);
}

// Whether ZAVCIR_STANDIN_HOLD names the point, and the command line contains
// ZAVCIR_STANDIN_HOLD_MATCH (when set).
bool HoldsAt(const char* point) {
  const std::string points = "," + Lower(AnsiEnv(L"ZAVCIR_STANDIN_HOLD")) + ",";
  if (points.find("," + std::string(point) + ",") == std::string::npos) return false;
  const std::string match = Lower(AnsiEnv(L"ZAVCIR_STANDIN_HOLD_MATCH"));
  return match.empty() || Lower(GetCommandLineA()).find(match) != std::string::npos;
}

// At a hold point: records it, then waits until the release file exists, at
// most two minutes.
void HoldAt(const char* point) {
  if (!HoldsAt(point)) return;
  AppendEvent("hold", point);
  const std::string release = EnvOr(L"ZAVCIR_STANDIN_RELEASE", "C:\\standin\\release");
  for (int i = 0; i < 12000 && GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++i) {
    Sleep(10);
  }
}

// Records the end of the run in the event log and ends the process.
[[noreturn]] void Exit(DWORD exitCode) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(exitCode));
  AppendEvent("end", code);
  ExitProcess(exitCode);
}

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* contents) {
  unique_hfile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string data;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    data.append(buffer, got);
  }
  *contents = data;
  return true;
}

uint64_t Fnv1a(const std::string& data, uint64_t basis) {
  uint64_t h = basis;
  for (unsigned char c : data) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::string Hex16(uint64_t v, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) out[i] = digits[v & 0xF];
  return out;
}

std::string StoreHash(const std::string& inf) {
  return Hex16(Fnv1a(inf, 0xcbf29ce484222325ULL), false);
}

// 40 hex digits: three hashes of the same bytes with different bases, cut.
std::string EntryKeyName(const std::string& inf) {
  const std::string all = Hex16(Fnv1a(inf, 0xcbf29ce484222325ULL), true) +
                          Hex16(Fnv1a(inf, 0x84222325cbf29ce4ULL), true) +
                          Hex16(Fnv1a(inf, 0x1234567890abcdefULL), true);
  return all.substr(0, 40);
}

bool IsXpOrOlder() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwMajorVersion < 6;
}

#ifndef _WIN64
bool RunsUnderWow64() {
  typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
  const auto fn = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return fn && fn(GetCurrentProcess(), &wow64) && wow64;
}
#endif

std::string SystemDirectory() {
  char buffer[MAX_PATH];
  const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
  return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(buffer, n);
}

// The parent folder of every store folder, without a trailing backslash.
std::string StoreRoot() {
  return SystemDirectory() + (IsXpOrOlder() ? "\\DRVSTORE" : "\\DriverStore\\FileRepository");
}

std::string StoreFolderFor(const std::string& inf) {
#ifdef _WIN64
  const char* arch = "amd64";
#else
  const char* arch = "x86";
#endif
  return StoreRoot() +
         (IsXpOrOlder() ? std::string("\\zavcir_") : std::string("\\zavcir.inf_") + arch + "_") +
         StoreHash(inf);
}

// Creates the folder and every missing parent.
bool CreateFolders(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const std::string parent = DirectoryOf(path);
  if (!parent.empty() && parent.size() > 2 && !CreateFolders(parent)) return false;
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The plain files (not folders) of a folder.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  unique_hfind find(FindFirstFileA((folder + "\\*").c_str(), &data));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

// The INF's text in the ANSI code page: a file that starts with the UTF-16LE
// byte-order mark is converted, as the real installer reads both encodings.
std::string InfText(const std::string& bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") != 0) return bytes;
  std::wstring wide((bytes.size() - 2) / 2, L'\0');
  std::memcpy(&wide[0], bytes.data() + 2, wide.size() * 2);
  const int n = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), n, &text[0], size, nullptr, nullptr);
  return text;
}

// Date and version of the INF's DriverVer line ("10/01/2026 1.0.0.0"), or "".
std::string DriverVer(const std::string& bytes) {
  const std::string inf = InfText(bytes);
  size_t pos = 0;
  while (pos < inf.size()) {
    size_t end = inf.find('\n', pos);
    if (end == std::string::npos) end = inf.size();
    const std::string line = Trim(inf.substr(pos, end - pos));
    pos = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || Lower(Trim(line.substr(0, eq))) != "driverver") continue;
    std::string value = line.substr(eq + 1);
    value = value.substr(0, value.find(';'));
    const size_t comma = value.find(',');
    if (comma == std::string::npos) return Trim(value);
    return Trim(value.substr(0, comma)) + " " + Trim(value.substr(comma + 1));
  }
  return std::string();
}

bool SetString(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

DWORD Install(DWORD exitCode) {
  if (exitCode & kFailed) return exitCode;
  HoldAt("install");
  const std::string self = ModulePath();
  const std::string packageDir = DirectoryOf(self);
  std::string inf;
  if (!ReadWholeFile(packageDir + "\\" + kInfName, &inf)) return kFailed;

  const std::string store = StoreFolderFor(inf);
  if (!CreateFolders(store)) return kFailed;
  const std::string selfName = Lower(FileNameOf(self));
  for (const std::string& name : FilesIn(packageDir)) {
    const std::string lower = Lower(name);
    if (lower == selfName || lower == "dpinst.exe") continue;
    if (!CopyFileA((packageDir + "\\" + name).c_str(), (store + "\\" + name).c_str(), FALSE)) {
      return kFailed;
    }
  }

  if (GetEnvNumber(L"ZAVCIR_STANDIN_SKIP_REGISTRATION", 0) != 0) return exitCode;
  unique_hkey entry;
  const std::string keyPath = std::string(kUninstallKey) + "\\" + EntryKeyName(inf);
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      entry.put(), nullptr) != ERROR_SUCCESS) {
    return kFailed;
  }
  const std::string version = DriverVer(inf);
  if (!SetString(entry.get(), "DisplayName",
                 "Windows Driver Package - ZAV CIR (zavcir)  (" + version + ")") ||
      !SetString(entry.get(), "DisplayVersion", version) ||
      !SetString(entry.get(), "UninstallString", self + " /u " + store + "\\" + kInfName)) {
    return kFailed;
  }
  HoldAt("registered");
  return exitCode;
}

// The names of the Uninstall subkeys whose UninstallString names this INF.
std::vector<std::string> EntriesNaming(const std::string& infPath) {
  std::vector<std::string> names;
  unique_hkey root;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, root.put()) != ERROR_SUCCESS) {
    return names;
  }
  const std::string wanted = Lower(infPath);
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    const LONG rc =
        RegEnumKeyExA(root.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    unique_hkey sub;
    if (RegOpenKeyExA(root.get(), name, 0, KEY_QUERY_VALUE, sub.put()) != ERROR_SUCCESS) {
      continue;
    }
    char value[2048];
    DWORD size = sizeof value - 1, type = 0;
    if (RegQueryValueExA(sub.get(), "UninstallString", nullptr, &type,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      continue;
    }
    value[size] = '\0';
    if (Lower(value).find(wanted) != std::string::npos) names.push_back(name);
  }
  return names;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

DWORD Uninstall(const std::string& infPath, DWORD exitCode) {
  if (exitCode & kFailed) return exitCode;
  const std::string store = DirectoryOf(infPath);
  const std::string root = StoreRoot() + "\\";
  // Only a folder directly below the driver store holds a package.
  if (!StartsWithNoCase(store, root) || store.size() == root.size() ||
      LastSeparator(store) != root.size() - 1) {
    return kFailed;
  }
  std::string inf;
  if (!ReadWholeFile(infPath, &inf)) return kFailed;
  HoldAt("uninstall");

  unique_hkey parent;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WRITE, parent.put()) ==
      ERROR_SUCCESS) {
    std::vector<std::string> names = EntriesNaming(infPath);
    names.push_back(EntryKeyName(inf));
    for (const std::string& name : names) RegDeleteKeyA(parent.get(), name.c_str());
  }
  HoldAt("unregistered");
  for (const std::string& name : FilesIn(store)) DeleteFileA((store + "\\" + name).c_str());
  return RemoveDirectoryA(store.c_str()) ? exitCode : kFailed;
}

// The arguments after the program name, which may be quoted or not; an
// unquoted name ends before the first " /" or " -".
std::string ArgumentsOf(const std::string& commandLine) {
  size_t i = 0;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const size_t close = commandLine.find('"', i + 1);
    return close == std::string::npos ? std::string() : commandLine.substr(close + 1);
  }
  size_t best = std::string::npos;
  for (const char* sep : {" /", " -", "\t/", "\t-"}) {
    const size_t p = commandLine.find(sep, i);
    if (p != std::string::npos && p < best) best = p;
  }
  return best == std::string::npos ? std::string() : commandLine.substr(best);
}

enum class Mode { kInstall, kUninstall, kInvalid };

// Splits the arguments: flags before /U, and for /U the rest of the line as the INF path.
Mode Classify(const std::string& args, std::string* infPath) {
  std::vector<std::string> flags;
  size_t i = 0;
  while (i < args.size()) {
    while (i < args.size() && (args[i] == ' ' || args[i] == '\t')) ++i;
    if (i >= args.size()) break;
    size_t end = i;
    while (end < args.size() && args[end] != ' ' && args[end] != '\t') ++end;
    const std::string token = args.substr(i, end - i);
    i = end;
    if (token[0] != '/' && token[0] != '-') return Mode::kInvalid;
    const std::string flag = Lower(token.substr(1));
    if (flag == "u") {
      std::string path = Trim(args.substr(i));
      if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
        path = path.substr(1, path.size() - 2);
      }
      if (path.empty() || path.find('"') != std::string::npos) return Mode::kInvalid;
      for (const std::string& f : flags) {
        if (f != "s") return Mode::kInvalid;
      }
      *infPath = path;
      return Mode::kUninstall;
    }
    flags.push_back(flag);
  }
  auto has = [&flags](const char* f) {
    int n = 0;
    for (const std::string& x : flags) n += x == f;
    return n == 1;
  };
  if (flags.size() == 2 && has("lm") && has("p")) return Mode::kInstall;
  if (flags.size() == 3 && has("lm") && has("sw") && has("f")) return Mode::kInstall;
  return Mode::kInvalid;
}

}  // namespace

int main() {
  const std::string commandLine = GetCommandLineA();
  AppendToLog(commandLine);
  AppendEvent("begin", commandLine);
  const DWORD sleepMs = GetEnvNumber(L"ZAVCIR_STANDIN_SLEEP_MS", 0);
  if (sleepMs) Sleep(sleepMs);

  std::string infPath;
  const Mode mode = Classify(ArgumentsOf(commandLine), &infPath);
  DWORD exitCode = kFailed;
#ifndef _WIN64
  if (RunsUnderWow64()) Exit(kFailed);
#endif
  if (mode == Mode::kInstall) {
    exitCode = Install(GetEnvNumber(L"ZAVCIR_STANDIN_EXIT", 0x1));
  } else if (mode == Mode::kUninstall) {
    exitCode = Uninstall(infPath, GetEnvNumber(L"ZAVCIR_STANDIN_UNINSTALL_EXIT", 0));
  }
  Exit(exitCode);
}
