// Set-up shared by the package tests: the Uninstall key and copies of the
// driver package in the driver store, as the installer leaves them.
#pragma once

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

// 64-bit Windows: the WOW64 flag and the two registry views.
inline void MakeWow64(FakePlatform& p) {
  p.system.wow64 = TRUE;
  p.registry.SetWow64View(true);
}

}  // namespace package_test
