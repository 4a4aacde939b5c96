// Text that the test programs take from their own process: the command line
// after the program's name, and environment variables in the ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The command line after the program's own name (quoted or not) and the
// blanks that follow it.
inline std::string CommandLineAfterProgramName() {
  const std::string all = ::GetCommandLineA();
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

// The variable's value in the ANSI code page, or "" when it is unset. Read
// through the wide call: GetEnvironmentVariableA under Wine cuts double-byte text.
inline std::string AnsiEnv(const wchar_t* name) {
  std::vector<wchar_t> wide(32768);
  const DWORD n = ::GetEnvironmentVariableW(name, wide.data(), static_cast<DWORD>(wide.size()));
  if (n == 0 || n >= wide.size()) return std::string();
  std::string ansi(4 * n, '\0');
  const int len = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(n), &ansi[0],
                                        static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(len > 0 ? len : 0);
  return ansi;
}
