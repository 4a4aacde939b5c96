// The detection key agrees with the "Uninstall" entries after every run of
// the install and the uninstall flow, in the entries' view only.
#include "package/detection_key.h"

#include <gtest/gtest.h>

#include "env/probes.h"
#include "package/driver_ver_line.h"
#include "package/exit_code.h"
#include "package/install_flow.h"
#include "package/package_test_support.h"
#include "package/uninstall_flow.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using Copies = std::vector<std::pair<const char*, const char*>>;  // entry key, version

constexpr char kPackageDir[] = "C:\\Dist\\Win7_64";
constexpr char kLog[] = "C:\\Windows\\ZavCirSetup.log";
constexpr char kKey[] = "SOFTWARE\\ZAV\\ZAV CIR Receiver Driver";
constexpr char kNone[] = "none";
constexpr char kEarlier[] = "9.9|EARLIER|9";  // a key an earlier run left

// One machine with the package (version 3.0.0.2) in kPackageDir, the copies
// given and kEarlier, on the Windows of the registry rule. The installer
// registers the copy NEW when told to; an uninstall command that succeeds
// removes its copy.
struct Machine {
  Machine(package_test::ViewRule rule, const Copies& copies, std::vector<DWORD> results,
          bool registers) {
    package_test::UseViewRule(p, rule);
    p.files.AddDirectory(kPackageDir);
    p.files.AddFile(std::string(kPackageDir) + "\\zavcir.inf", InfText("3.0.0.2"));
    p.log.Open(kLog);
    for (const auto& [key, version] : copies)
      AddCopy(p, key, std::string("zavcir.inf_") + key, InfText(version));
    p.registry.SetString(kKey, "DisplayVersion", "9.9");
    p.registry.SetString(kKey, "UninstallKey", "EARLIER");
    p.registry.SetRaw(kKey, "Copies", REG_DWORD, std::string("\x09\0\0\0", 4));
    p.runner.results = std::move(results);
    p.runner.onRun = [this, registers](const std::string& command) {
      if (command.find("/LM") == std::string::npos)
        package_test::RemoveCopyOnUninstall(p, command);
      else if (registers)
        AddCopy(p, "NEW", "zavcir.inf_new", InfText("3.0.0.2"));
    };
  }
  int Install() {
    InstallParams params;
    params.packageDir = kPackageDir;
    return InstallPackage(params);
  }
  int Uninstall() {
    UninstallParams params;
    params.packageDir = kPackageDir;
    params.moduleDir = "C:\\Dist";
    params.osKind = OS_WIN7;
    return UninstallPackage(params);
  }
  // "DisplayVersion|UninstallKey|Copies" of the key, kNone when it is missing.
  // On 64-bit Windows nothing of it may be in the 32-bit view.
  std::string Key() const {
    if (p.system.wow64) {
      EXPECT_FALSE(p.registry.HasKey("SOFTWARE\\ZAV", FakeRegistry::View::k32));
    }
    if (!p.registry.HasKey(kKey)) return kNone;
    std::string version, entry, copies;
    DWORD type = REG_NONE;
    p.registry.GetValue(kKey, "DisplayVersion", &version);
    p.registry.GetValue(kKey, "UninstallKey", &entry);
    p.registry.GetValue(kKey, "Copies", &copies, &type);
    const bool dword =
        type == REG_DWORD && copies.size() == 4 && copies.substr(1) == std::string(3, '\0');
    return version.c_str() + std::string("|") + entry.c_str() + "|" +
           (dword ? std::to_string(copies[0]) : "-");
  }
  bool Logged(const std::string& line) {
    const std::vector<std::string> lines = p.log.TextLines(kLog);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  FakePlatform p;
};

class DetectionKey : public ::testing::TestWithParam<package_test::ViewRule> {};

// Whatever the install's end, the key names the newest copy it leaves.
TEST_P(DetectionKey, AfterAnInstallItNamesTheNewestCopyLeft) {
  const Copies none, v2 = {{"OLD", "2.0"}}, v3 = {{"OLD", "3.0.0.2"}}, v4 = {{"OLD", "4.0"}},
                     two = {{"A", "1.9"}, {"B", "1.10"}}, odd = {{"A", "x"}, {"B", "1.0"}};
  struct Case {
    const char* name;
    const Copies& before;
    std::vector<DWORD> results;  // the installer's, then the removals'
    bool registers;              // the installer registers the copy NEW
    int exitCode;
    const char* key;
  } cases[] = {
      {"first install", none, {0x1}, true, SETUP_SUCCESS, "3.0.0.2|NEW|1"},
      {"upgrade on a device", v2, {0x1, 0}, true, SETUP_SUCCESS, "3.0.0.2|NEW|1"},
      {"staged only: the new copy goes", v2, {0x100, 0}, true, SETUP_SUCCESS, "2.0|OLD|1"},
      {"staged only beside a newer copy", v4, {0x100, 0}, true, SETUP_SUCCESS, "4.0|OLD|1"},
      {"staged only, alone", none, {0x100}, true, SETUP_SUCCESS, "3.0.0.2|NEW|1"},
      {"reinstall: staged beside its own copy", v3, {0x100}, false, SETUP_SUCCESS, "3.0.0.2|OLD|1"},
      {"an older copy not removed", v2, {0x1, 0x80000000}, true, SETUP_SUCCESS, "3.0.0.2|NEW|2"},
      {"installer failed", v2, {0x80000001}, false, EXIT_SETUP_FAILED, "2.0|OLD|1"},
      {"installer did not start", v2, {0x90000002}, false, EXIT_SETUP_FAILED, "2.0|OLD|1"},
      {"failed, yet staged a copy", v2, {0xC0000100}, true, EXIT_SETUP_FAILED, "3.0.0.2|NEW|2"},
      {"ended from outside", none, {0x1}, false, EXIT_SETUP_FAILED, kNone},
      {"nothing installed", none, {0x0}, false, SETUP_SUCCESS, kNone},
      {"versions by their numbers", two, {0x80000001}, false, EXIT_SETUP_FAILED, "1.10|B|2"},
      {"a version that reads wins", odd, {0x80000001}, false, EXIT_SETUP_FAILED, "1.0|B|2"},
  };
  for (const Case& c : cases) {
    Machine m(GetParam(), c.before, c.results, c.registers);
    EXPECT_EQ(m.Install(), c.exitCode) << c.name;
    EXPECT_EQ(m.Key(), c.key) << c.name;
    EXPECT_EQ(m.p.registry.OpenKeyCount(), 0) << c.name;
  }
}

// The key goes with the last copy, and SOFTWARE\ZAV with it when it holds
// nothing else; a deletion refused is logged and changes no exit code.
TEST_P(DetectionKey, AfterAnUninstallItGoesWithTheLastCopy) {
  const std::string deleted =
      "Registry delete HKLM\\" + std::string(kKey) +
      (GetParam() == package_test::ViewRule::kOneView ? "" : " (64-bit view)") + ": result ";
  struct Case {
    const char* name;
    DWORD removal;       // the result of the copy's command
    const char* beside;  // a key below SOFTWARE\ZAV, or a value of it ("=name")
    int exitCode;
    const char* key;
    const char* result;  // of the key's deletion; nullptr: none
  } cases[] = {
      {"every copy removed", 0, nullptr, SETUP_SUCCESS, kNone, "0"},
      {"beside another product", 0, "SOFTWARE\\ZAV\\Other", SETUP_SUCCESS, kNone, "0"},
      {"beside a value of the vendor's key", 0, "=Owner", SETUP_SUCCESS, kNone, "0"},
      {"a removal failed", 0x80000000, nullptr, EXIT_REMOVE_FAILED, "2.0|OLD|1", nullptr},
      {"a subkey in the key", 0, "SOFTWARE\\ZAV\\ZAV CIR Receiver Driver\\Child", SETUP_SUCCESS,
       kEarlier, "5"},
  };
  for (const Case& c : cases) {
    Machine m(GetParam(), {{"OLD", "2.0"}}, {c.removal}, false);
    if (c.beside && *c.beside == '=') m.p.registry.SetString("SOFTWARE\\ZAV", c.beside + 1, "x");
    if (c.beside && *c.beside != '=') m.p.registry.AddKey(c.beside);
    EXPECT_EQ(m.Uninstall(), c.exitCode) << c.name;
    EXPECT_EQ(m.Key(), c.key) << c.name;
    EXPECT_EQ(m.p.registry.HasKey("SOFTWARE\\ZAV"), c.beside || std::string(c.key) != kNone)
        << c.name;
    EXPECT_EQ(m.Logged(deleted + (c.result ? c.result : "0")), c.result != nullptr) << c.name;
    EXPECT_EQ(m.p.registry.OpenKeyCount(), 0) << c.name;
  }
}

// What the key cannot be made to say is in the log; the exit code stays what
// the flow earned, and entries that could not be read leave the key alone.
TEST_P(DetectionKey, AFailureToRecordItIsLoggedAndChangesNothingElse) {
  const std::string key = "HKLM\\" + std::string(kKey) +
                          (GetParam() == package_test::ViewRule::kOneView ? "" : " (64-bit view)");
  const std::string unread = " left as it is: the \"Uninstall\" entries could not be read";
  struct Case {
    const char* refused;  // the key whose open is refused
    bool uninstall;
    std::string line;  // in the log
    int exitCode;      // the install cannot read the entry it would label either
    const char* keyAfter;
  } cases[] = {
      {kKey, false, "Registry write " + key + ": key not created, error 5", SETUP_SUCCESS,
       kEarlier},
      {package_test::kUninstallKey, false, "Detection key " + key + unread, EXIT_SETUP_FAILED,
       kEarlier},
      {package_test::kUninstallKey, true, "Detection key " + key + unread, SETUP_SUCCESS, kEarlier},
  };
  for (const Case& c : cases) {
    Machine m(GetParam(), {}, {0x1}, true);
    m.p.registry.FailOpen(c.refused, ERROR_ACCESS_DENIED);
    EXPECT_EQ(c.uninstall ? m.Uninstall() : m.Install(), c.exitCode) << c.line;
    EXPECT_TRUE(m.Logged(c.line)) << c.line;
    EXPECT_EQ(m.Key(), c.keyAfter) << c.line;
    EXPECT_EQ(m.p.registry.OpenKeyCount(), 0) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(EachWindows, DetectionKey,
                         ::testing::ValuesIn(package_test::kEveryViewRule),
                         package_test::ViewRuleName);

TEST(DetectionKeyTest, VersionNumbersAreReadAsDriverAndFileVersionsAreWritten) {
  const VersionNumbers kUntouched = {9, 9, 9, 9};
  struct Case {
    const char* text;
    bool reads;
    VersionNumbers numbers;
  } cases[] = {
      {"3.0.0.2", true, {3, 0, 0, 2}},
      {"1.10", true, {1, 10, 0, 0}},
      {"65535.65535.65535.65535", true, {65535, 65535, 65535, 65535}},
      {"00001.0", true, {1, 0, 0, 0}},
      {"65536.0.0.0", false, {}},
      {"000001.0", false, {}},
      {"1.0.0.0.0", false, {}},
      {"", false, {}},
      {"1..0", false, {}},
      {"1.", false, {}},
      {"1.0 ", false, {}},
      {"10/01/2026", false, {}},
  };
  for (const Case& c : cases) {
    VersionNumbers numbers = kUntouched;
    EXPECT_EQ(ParseVersionNumbers(c.text, &numbers), c.reads) << c.text;
    EXPECT_EQ(numbers, c.reads ? c.numbers : kUntouched) << c.text;
  }
}

}  // namespace
