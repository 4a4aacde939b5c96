// Test program: the setup program's own core and Win32 layer (the same sources
// as Setup.exe, without its entry point, application object and window), run
// one operation at a time against the real registry, files and processes.
// It installs the Win32 platform as Setup.exe does, with a log that prints
// each Trace line; the WOW64 flag is taken on the main thread first.
//
//   layer_probe run [handles]  RunCommand(%ZAVCIR_PROBE_COMMAND%), the command line
//                              reaching Windows byte for byte; prints result=0x%08X
//                              and unchanged=1 when the caller's string is the same
//                              after; with "handles" also handles_before/handles_after,
//                              this process's open handles around the call (after a
//                              first, warming run of the same command)
//   layer_probe exit <code> [anything]   ends with that exit code (decimal or
//                              0x-hex) after appending its command line to
//                              %ZAVCIR_PROBE_LOG%, if set
//   layer_probe scan           CUninstallEntryList::Scan: count=, then per entry
//                              entry=, command=, inf=, version=
//   layer_probe setname <key> <text>   CUninstallEntry(key, "").SetDisplayName(text)
//   layer_probe uninstall <key> [silent]   scans, then Uninstall on the entry of
//                              that subkey name: found=, trace=... lines, result=
//   layer_probe redirect <path>...   IsFile of each path on a worker thread before,
//                              while and after a CUninstallEntryList exists on it,
//                              and on the main thread while it exists
//   layer_probe loadlib <how> <name>   LoadLibraryA(name), name "sys:x.dll" standing
//                              for x.dll's full path in the system directory; how:
//                              plain, setdlldir (after SetDllDirectoryA("")) or
//                              system32 (after SetDefaultDllDirectories(
//                              LOAD_LIBRARY_SEARCH_SYSTEM32)); prints loaded=, module=
//   layer_probe drive <root>...   FileSystem::QueryDriveType of each root: root=, type=
//   layer_probe preload [name...]   start-up's library loading where
//                              SetDefaultDllDirectories is missing:
//                              SetDllDirectoryA(""), then PreloadSystemLibraries;
//                              prints <name>=<path of the loaded module, or empty>
//                              for each preloaded library, then for each name
//
// Output: key=value lines (plus wow64= first for the registry and file
// operations). Bytes below 0x20 in values are written as \xNN.
// Exit code: 0 done, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/unique_handles.h"
#include "env/file_system.h"
#include "env/platform.h"
#include "env/probes.h"
#include "env/support_log.h"
#include "package/run_command.h"
#include "package/uninstall_entry.h"
#include "package/uninstall_entry_list.h"
#include "tests/standins/process_text.h"
#include "win32/system_library.h"
#include "win32/win32_platform.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void Print(const char* key, const std::string& value) {
  std::printf("%s=%s\n", key, Escaped(value).c_str());
}

void PrintInt(const char* key, long long value) { std::printf("%s=%lld\n", key, value); }

// The log of the probe: Trace lines go to standard output, without their line
// feed; the log's own lines (behind their prefix) and the log file are left out.
class StdoutTraceLog : public Win32LogFile {
 public:
  bool Append(const std::string&) override { return false; }
  void DebugOutput(const char* text) override {
    std::string line = text;
    if (line.rfind(SUPPORT_LOG_DEBUG_PREFIX, 0) == 0) return;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    Print("trace", line);
  }
};

// The number of open handles of this process, counted by probing the values
// a handle table hands out (GetProcessHandleCount answers 0 under Wine).
DWORD HandleCount() {
  DWORD count = 0;
  for (UINT_PTR value = 4; value < 0x4000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

int Run(bool countHandles) {
  const std::string command = AnsiEnv(L"ZAVCIR_PROBE_COMMAND");
  if (command.empty()) return 2;
  const std::string copy = command;
  // The first start in a process sets up what later ones reuse: counted after it.
  if (countHandles) RunCommand(command);
  const DWORD before = countHandles ? HandleCount() : 0;
  const DWORD result = RunCommand(command);
  std::printf("result=0x%08lX\n", static_cast<unsigned long>(result));
  PrintInt("unchanged", command == copy);
  if (countHandles) {
    PrintInt("handles_before", before);
    PrintInt("handles_after", HandleCount());
  }
  return 0;
}

int Exit(const char* code) {
  const std::string log = AnsiEnv(L"ZAVCIR_PROBE_LOG");
  if (!log.empty()) {
    const unique_hfile file(::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      const std::string line = std::string(::GetCommandLineA()) + "\r\n";
      DWORD written = 0;
      ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
  }
  ::ExitProcess(static_cast<UINT>(std::strtoul(code, nullptr, 0)));
}

void PrintEntry(CUninstallEntry& entry) {
  Print("entry", entry.GetKeyName());
  Print("command", entry.GetUninstallCommand());
  Print("inf", entry.GetInfPath());
  Print("version", entry.GetDriverVersion());
}

int Scan() {
  CUninstallEntryList list;
  PrintInt("count", list.Scan());
  for (int i = 0; i < list.GetSize(); ++i) PrintEntry(list.ElementAt(i));
  return 0;
}

int SetName(const char* key, const char* text) {
  CUninstallEntry(key, "").SetDisplayName(text);
  PrintInt("done", 1);
  return 0;
}

int Uninstall(const char* key, bool silent) {
  CUninstallEntryList list;
  list.Scan();
  for (int i = 0; i < list.GetSize(); ++i) {
    if (list.ElementAt(i).GetKeyName() != key) continue;
    PrintInt("found", 1);
    std::fflush(stdout);
    PrintInt("result", list.ElementAt(i).Uninstall(silent ? TRUE : FALSE));
    return 0;
  }
  PrintInt("found", 0);
  return 0;
}

// What the worker and the main thread see of each path, and the hand-over
// between them while the worker's list exists.
struct RedirectRun {
  std::vector<std::string> paths;
  std::vector<BOOL> workerBefore, workerDuring, workerAfter;
  unique_handle listReady;
  unique_handle mainDone;
};

DWORD WINAPI RedirectWorker(void* param) {
  RedirectRun& run = *static_cast<RedirectRun*>(param);
  for (const std::string& path : run.paths) run.workerBefore.push_back(IsFile(path));
  {
    CUninstallEntryList list;
    for (const std::string& path : run.paths) run.workerDuring.push_back(IsFile(path));
    ::SetEvent(run.listReady.get());
    ::WaitForSingleObject(run.mainDone.get(), INFINITE);
  }
  for (const std::string& path : run.paths) run.workerAfter.push_back(IsFile(path));
  return 0;
}

int Redirect(int argc, char** argv) {
  RedirectRun run;
  run.paths.assign(argv, argv + argc);
  run.listReady.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  run.mainDone.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const unique_handle worker(::CreateThread(nullptr, 0, RedirectWorker, &run, 0, nullptr));
  if (!worker) return 2;
  std::vector<BOOL> mainDuring;
  if (::WaitForSingleObject(run.listReady.get(), 30000) == WAIT_OBJECT_0)
    for (const std::string& path : run.paths) mainDuring.push_back(IsFile(path));
  ::SetEvent(run.mainDone.get());
  ::WaitForSingleObject(worker.get(), INFINITE);
  if (mainDuring.size() != run.paths.size()) return 2;
  for (size_t i = 0; i < run.paths.size(); ++i) {
    Print("path", run.paths[i]);
    PrintInt("worker_before", run.workerBefore[i]);
    PrintInt("worker_during", run.workerDuring[i]);
    PrintInt("main_during", mainDuring[i]);
    PrintInt("worker_after", run.workerAfter[i]);
    PrintInt("main_after", IsFile(run.paths[i]));
  }
  return 0;
}

// The path of a loaded module, or "" for none.
std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  if (module) ::GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

int LoadLib(const std::string& how, std::string name) {
  if (how == "setdlldir") {
    ::SetDllDirectoryA("");
  } else if (how == "system32") {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleA("kernel32"), "SetDefaultDllDirectories")));
    if (!setDefault || !setDefault(0x00000800)) return 2;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  } else if (how != "plain") {
    return 2;
  }
  if (name.compare(0, 4, "sys:") == 0) {
    name = SystemLibraryPath(name.substr(4).c_str());
    if (name.empty()) return 2;
  }
  const HMODULE module = ::LoadLibraryA(name.c_str());
  PrintInt("loaded", module != nullptr);
  Print("module", ModulePath(module));
  return 0;
}

int Preload(int count, char** names) {
  ::SetDllDirectoryA("");
  PreloadSystemLibraries();
  for (const char* name : kPreloadedSystemLibraries)
    Print(name, ModulePath(::GetModuleHandleA(name)));
  for (int i = 0; i < count; ++i) Print(names[i], ModulePath(::GetModuleHandleA(names[i])));
  return 0;
}

int Drive(int count, char** roots) {
  for (int i = 0; i < count; ++i) {
    Print("root", roots[i]);
    PrintInt("type", static_cast<int>(GetPlatform().files->QueryDriveType(roots[i])));
  }
  return 0;
}

int Dispatch(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string op = argv[1];
  if (op == "exit" && argc >= 3) return Exit(argv[2]);
  if (op == "loadlib" && argc == 4) return LoadLib(argv[2], argv[3]);
  if (op == "preload") return Preload(argc - 2, argv + 2);

  // Lives until the process ends, as in Setup.exe.
  static Win32Platform platform;
  platform.Install();
  static StdoutTraceLog log;
  Platform withLog = GetPlatform();
  withLog.log = &log;
  SetPlatform(withLog);
  // Start-up order of the setup program: the WOW64 flag is cached on the main
  // thread before any other thread exists.
  PrintInt("wow64", IsWow64());

  if (op == "run" && (argc == 2 || argc == 3))
    return Run(argc == 3 && std::strcmp(argv[2], "handles") == 0);
  if (op == "scan" && argc == 2) return Scan();
  if (op == "setname" && argc == 4) return SetName(argv[2], argv[3]);
  if (op == "uninstall" && (argc == 3 || argc == 4))
    return Uninstall(argv[2], argc == 4 && std::strcmp(argv[3], "silent") == 0);
  if (op == "redirect" && argc >= 3) return Redirect(argc - 2, argv + 2);
  if (op == "drive" && argc >= 3) return Drive(argc - 2, argv + 2);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int code = Dispatch(argc, argv);
  std::fflush(stdout);
  return code;
}
