// Set-up shared by the package tests: the Uninstall key and copies of the
// driver package in the driver store, as the installer leaves them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "env/mbcs.h"
#include "tests/fakes/fake_platform.h"

namespace package_test {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kStore[] = "C:\\Windows\\System32\\DriverStore\\FileRepository";
constexpr char kStoreInstaller[] = "C:\\Program Files\\DIFX\\DPInst.exe";

// An INF text whose DriverVer line carries version.
inline std::string InfText(const std::string& version) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\nDriverVer = 01/02/2020, " + version +
         "\r\n[Manufacturer]\r\n";
}

// The store folder of a copy.
inline std::string StoreFolder(const std::string& folder) {
  return std::string(kStore) + "\\" + folder;
}

// The uninstall command that the installer registers for a copy.
inline std::string StoreUninstallCommand(const std::string& folder) {
  return std::string(kStoreInstaller) + " /u " + StoreFolder(folder) + "\\zavcir.inf";
}

// The path of a subkey of the Uninstall key.
inline std::string UninstallSubkey(const std::string& name) {
  return std::string(kUninstallKey) + "\\" + name;
}

// What an entry of a copy runs: its command as the scan reads it (lower-cased),
// with "/s /u " for "/u " when silent.
inline std::string EntryCommand(const std::string& folder, bool silent) {
  std::string command = AsciiLower(StoreUninstallCommand(folder));
  return silent ? command.replace(command.find("/u "), 3, "/s /u ") : command;
}

// A copy of the package: its store folder with the INF, and its Uninstall
// entry named key.
inline void AddCopy(FakePlatform& p, const std::string& key, const std::string& folder,
                    const std::string& inf, FakeRegistry::View view = FakeRegistry::View::k64) {
  p.files.AddDirectory(StoreFolder(folder));
  p.files.AddFile(StoreFolder(folder) + "\\zavcir.inf", inf);
  p.registry.SetString(UninstallSubkey(key), "UninstallString", StoreUninstallCommand(folder),
                       view);
}

// The installer's uninstall, for a fake runner's action: a command
// "<installer> [/s] /u <store folder>\\zavcir.inf" (the path quoted or not) that
// ends in success (no failure bit, no counts) removes that copy: its store
// folder and every entry of the Uninstall key whose command names the folder.
// Any other command changes nothing.
inline void RemoveCopyOnUninstall(FakePlatform& p, const std::string& command,
                                  FakeRegistry::View view = FakeRegistry::View::k64) {
  const std::string lower = AsciiLower(command);
  const size_t u = lower.find("/u ");
  const DWORD result = p.runner.ScriptedResult(p.runner.commands.size() - 1);
  if (u == std::string::npos || (result & 0x80FFFFFF) != 0) return;
  std::string inf = lower.substr(u + 3);
  inf.erase(std::remove(inf.begin(), inf.end(), '"'), inf.end());
  const size_t name = inf.rfind("\\zavcir.inf");
  if (name == std::string::npos) return;
  const std::string folder = inf.substr(0, name);
  p.files.Remove(folder + "\\zavcir.inf");
  p.files.Remove(folder);
  for (const std::string& key : p.registry.SubkeyNames(kUninstallKey, view)) {
    std::string uninstall;
    p.registry.GetValue(UninstallSubkey(key), "UninstallString", &uninstall, nullptr, view);
    if (AsciiLower(uninstall).find(folder + "\\") != std::string::npos)
      p.registry.RemoveKey(UninstallSubkey(key), view);
  }
}

// 64-bit Windows: the WOW64 flag and the two registry views, below an open
// key by the rule of 7 and later unless another is given.
inline void MakeWow64(FakePlatform& p,
                      FakeRegistry::ViewRule rule = FakeRegistry::ViewRule::kWin7) {
  p.system.wow64 = TRUE;
  p.registry.SetViewRule(rule);
}

// The registry of each kind of Windows, for tests that run under each: 32-bit
// Windows, then 64-bit XP x64, Vista and 7 and later, whose rules for a key
// opened below an open key differ.
using ViewRule = FakeRegistry::ViewRule;
constexpr ViewRule kEveryViewRule[] = {ViewRule::kOneView, ViewRule::kXpX64, ViewRule::kVista,
                                       ViewRule::kWin7};

// The platform of that Windows: WOW64 on the 64-bit ones.
inline void UseViewRule(FakePlatform& p, ViewRule rule) {
  if (rule != ViewRule::kOneView) MakeWow64(p, rule);
}

// The parameter's name in test names.
inline std::string ViewRuleName(const ::testing::TestParamInfo<ViewRule>& info) {
  switch (info.param) {
    case ViewRule::kOneView:
      return "Windows32";
    case ViewRule::kXpX64:
      return "XpX64";
    case ViewRule::kVista:
      return "Vista64";
    case ViewRule::kWin7:
      return "Win7AndLater64";
  }
  return "Unknown";
}

}  // namespace package_test
