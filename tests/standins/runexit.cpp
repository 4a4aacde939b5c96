// Test helper: runs the rest of its own command line as one command line
// (CreateProcessA with no application name, as the setup program starts its
// commands), waits for it and prints its full 32-bit exit code, which the exit
// status of a process seen from outside Wine cuts to the low byte.
//
//   runexit <command line>
//   runexit                 the command line is the value of ZAVCIR_RUNEXIT_COMMAND
//                           (so that it reaches Windows byte for byte, quotes and all)
//
// Output: exit=0x%08X, or error=<system error code> when the start failed.
// Exit code: 0 the command ran, 1 it could not be started, 2 no command given.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The command line after runexit's own name (quoted or not) and the blanks after it.
std::string RestOfCommandLine() {
  const std::string all = GetCommandLineA();
  size_t i = 0;
  if (!all.empty() && all[0] == '"') {
    const size_t close = all.find('"', 1);
    i = close == std::string::npos ? all.size() : close + 1;
  } else {
    while (i < all.size() && all[i] != ' ' && all[i] != '\t') ++i;
  }
  while (i < all.size() && (all[i] == ' ' || all[i] == '\t')) ++i;
  return all.substr(i);
}

// The variable's value in the ANSI code page, or "". (GetEnvironmentVariableA
// under Wine cuts double-byte text, so the wide value is converted here.)
std::string AnsiEnv(const wchar_t* name) {
  wchar_t wide[4096];
  const DWORD n = GetEnvironmentVariableW(name, wide, 4096);
  if (n == 0 || n >= 4096) return std::string();
  char ansi[8192];
  const int len = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), ansi, sizeof ansi,
                                      nullptr, nullptr);
  return std::string(ansi, len > 0 ? len : 0);
}

}  // namespace

int main() {
  std::string command = RestOfCommandLine();
  if (command.empty()) command = AnsiEnv(L"ZAVCIR_RUNEXIT_COMMAND");
  if (command.empty()) {
    std::fprintf(stderr, "usage: runexit <command line> (or ZAVCIR_RUNEXIT_COMMAND)\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("error=%lu\n", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  std::printf("exit=0x%08lX\n", static_cast<unsigned long>(code));
  return 0;
}
