#include "package/uninstall_entry.h"

#include <gtest/gtest.h>

#include "package/package_test_support.h"

namespace {

using package_test::kUninstallKey;
using Lines = std::vector<std::string>;

const std::string kKeyPath = std::string(kUninstallKey) + "\\{ABC}";
constexpr char kInf[] = "c:\\windows\\inf\\zavcir.inf";
constexpr char kCommand[] = "c:\\tools\\dpinst.exe /u c:\\windows\\inf\\zavcir.inf";

TEST(UninstallEntryTest, ConstructionFindsInfPathAfterFirstWindowsDirectory) {
  struct Case {
    const char* windowsDir;
    const char* command;
    const char* infPath;
  } cases[] = {
      {"C:\\Windows", kCommand, kInf},
      {"D:\\WINDOWS", "c:\\t\\dpinst.exe /u d:\\windows\\inf\\zavcir.inf",
       "d:\\windows\\inf\\zavcir.inf"},
      {"C:\\Windows", "c:\\windows\\x.exe /u c:\\windows\\a.inf",
       "c:\\windows\\x.exe /u c:\\windows\\a.inf"},
      {"C:\\Windows", "x.exe /u \"c:\\windows\\a.inf\" /q", "c:\\windows\\a.inf\" /q"},
      {"C:\\Windows", "x.exe /u d:\\other\\zavcir.inf", ""},
      {"", kCommand, ""},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.system.windowsDirectory = c.windowsDir;
    CUninstallEntry entry("{ABC}", c.command);
    EXPECT_EQ(entry.GetKeyName(), "{ABC}");
    EXPECT_EQ(entry.GetUninstallCommand(), c.command);
    EXPECT_EQ(entry.GetInfPath(), c.infPath) << c.command;
  }
}

TEST(UninstallEntryTest, NoInfPathReadsNoFile) {
  FakePlatform p;
  p.files.AddFile("d:\\other\\zavcir.inf", "DriverVer = x, 1.0\n");
  CUninstallEntry entry("k", "x.exe /u d:\\other\\zavcir.inf");
  EXPECT_EQ(entry.GetDriverVersion(), "");
  EXPECT_EQ(p.files.OpenCount("d:\\other\\zavcir.inf"), 0);
}

TEST(UninstallEntryTest, DriverVersionRules) {
  struct Case {
    const char* text;
    const char* version;
  } cases[] = {
      {"DriverVer = 01/02/2020, 3.0.0.2\n", "3.0.0.2"},
      {"DriverVer=01/02/2020,3.0.0.2 ; build 7\r\n", "3.0.0.2;build7"},
      {"[Version]\r\nDriverVer = 01/02/2020, 3.0.0.2\r\nDriverVer = x, 9\r\n", "3.0.0.2"},
      {";DriverVer = x, 1.0\nDriverVer = x, 2.0\n", "2.0"},
      {"a ; DriverVer = x, 1.0\nDriverVer = x, 2.0", "2.0"},
      {"DriverVer = 01/02/2020\nDriverVer = x, 2.0\n", "2.0"},
      {"DriverVer 1, 2\nDriverVer = x, 2.0\n", "2.0"},
      {"driverver = x, 1.0\nDRIVERVER = x, 1.0\n", ""},
      {"DriverVer = x,\nDriverVer = x, 2.0\n", ""},
      {"DriverVer = x,\t1. 0 \t\n", "\t1.0\t"},
      {"DriverVersion = x, 4.0\n", "4.0"},
      {"a, b, DriverVer = x, 5.0\n", "5.0"},
      {"DriverVer , 1 = 2, 6.0\n", "6.0"},
      {"DriverVer = x, 7.0\r", "7.0\r"},
      {"DriverVer = x, 8.0", "8.0"},
      {"", ""},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.files.AddFile(kInf, c.text);
    EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), c.version) << c.text;
  }
}

TEST(UninstallEntryTest, DriverVersionAfterVeryLongLines) {
  FakePlatform p;
  const std::string longLine(10000, 'x');
  p.files.AddFile(kInf, longLine + "\r\n" + longLine + "DriverVer\r\nDriverVer = a, " +
                            std::string(5000, '1') + "\r\n");
  EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), std::string(5000, '1'));
}

TEST(UninstallEntryTest, LineEndSplitAcrossReadsIsStripped) {
  FakePlatform p;
  // The CR is the last byte of the reader's first 4096-byte read, the LF the first of the next.
  const std::string version(4096 - 1 - 15, '1');
  p.files.AddFile(kInf, "DriverVer = a, " + version + "\r\nDriverVer = b, 2\r\n");
  EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), version);
}

TEST(UninstallEntryTest, UnreadableInfGivesNoVersion) {
  FakePlatform p;
  p.files.AddFile(kInf, "DriverVer = x, 1.0\n");
  p.files.MakeUnreadable(kInf);
  EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), "");
}

TEST(UninstallEntryTest, SetDisplayValuesWriteStringsWithTerminator) {
  for (BOOL wow64 : {FALSE, TRUE}) {
    FakePlatform p;
    if (wow64) package_test::MakeWow64(p);
    p.registry.AddKey(kKeyPath);
    CUninstallEntry entry("{ABC}", kCommand);
    entry.SetDisplayName("ZAV CIR Receiver Driver");
    entry.SetDisplayVersion("3.0.0.2");
    std::string data;
    DWORD type = 0;
    ASSERT_TRUE(p.registry.GetValue(kKeyPath, "DisplayName", &data, &type));
    EXPECT_EQ(data, std::string("ZAV CIR Receiver Driver", 24));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_TRUE(p.registry.GetValue(kKeyPath, "DisplayVersion", &data));
    EXPECT_EQ(data, std::string("3.0.0.2", 8));
    const REGSAM mask = wow64 ? 0x20106 : 0x20006;
    EXPECT_EQ(p.registry.accessMasks, (std::vector<REGSAM>{mask, mask}));
    EXPECT_EQ(p.registry.OpenKeyCount(), 0);
  }
}

TEST(UninstallEntryTest, SetDisplayNameOnMissingOrLockedKeyDoesNothing) {
  FakePlatform p;
  CUninstallEntry("{ABC}", kCommand).SetDisplayName("x");
  EXPECT_FALSE(p.registry.HasKey(kKeyPath));
  p.registry.AddKey(kKeyPath);
  p.registry.DenyWrite(kKeyPath);
  CUninstallEntry("{ABC}", kCommand).SetDisplayName("x");
  EXPECT_FALSE(p.registry.GetValue(kKeyPath, "DisplayName", nullptr));
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryTest, UninstallRunsCommandWithSilentRewrite) {
  struct Case {
    const char* command;
    BOOL silent;
    const char* run;
  } cases[] = {
      {"x.exe /u c:\\windows\\a.inf", FALSE, "x.exe /u c:\\windows\\a.inf"},
      {"x.exe /u c:\\windows\\a.inf", TRUE, "x.exe /s /u c:\\windows\\a.inf"},
      {"x.exe /s /u c:\\windows\\a.inf", TRUE, "x.exe /s /s /u c:\\windows\\a.inf"},
      {"x.exe /u/u /u c:\\windows\\a.inf", TRUE, "x.exe /u/s /u /s /u c:\\windows\\a.inf"},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.files.AddFile("c:\\windows\\a.inf", "");
    CUninstallEntry entry("k", c.command);
    EXPECT_TRUE(entry.Uninstall(c.silent));
    EXPECT_EQ(p.runner.commands, Lines{c.run});
    EXPECT_EQ(entry.GetUninstallCommand(), c.command);
  }
}

TEST(UninstallEntryTest, UninstallResultAndTraces) {
  struct Case {
    DWORD result;
    bool infDeleted;
    BOOL expected;
  } cases[] = {
      {0, true, TRUE},
      {0, false, TRUE},
      {0x40000000, false, TRUE},
      {0x80000000, false, FALSE},
      {0x90000002, false, FALSE},
      {0x80000000, true, FALSE},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.files.AddFile(kInf, "");
    p.runner.results = {c.result};
    if (c.infDeleted) p.runner.onRun = [&p](const std::string&) { p.files.Remove(kInf); };
    EXPECT_EQ(CUninstallEntry("{ABC}", kCommand).Uninstall(FALSE), c.expected);
    Lines traces = {std::string("Uninstall entry: {ABC} ") + kCommand + "\n",
                    "Execute this uninstall entry\n"};
    if (c.infDeleted) traces.push_back(std::string(kInf) + " was successfully deleted\n");
    EXPECT_EQ(p.trace.lines, traces);
    EXPECT_TRUE(p.registry.accessMasks.empty());
  }
}

TEST(UninstallEntryTest, UninstallWithoutInfFileDeletesTheSubkey) {
  const char* manual =
      "Manually remove this uninstall entry because its preinstalled driver package path is "
      "invalid\n";
  const std::string header = std::string("Uninstall entry: {ABC} ") + kCommand + "\n";
  FakePlatform p;
  package_test::MakeWow64(p);
  p.registry.AddKey(kKeyPath);
  p.registry.AddKey(kKeyPath, FakeRegistry::View::k32);
  CUninstallEntry entry("{ABC}", kCommand);
  EXPECT_FALSE(entry.Uninstall(TRUE));
  EXPECT_TRUE(p.runner.commands.empty());
  EXPECT_FALSE(p.registry.HasKey(kKeyPath));
  EXPECT_TRUE(p.registry.HasKey(kKeyPath, FakeRegistry::View::k32));
  EXPECT_EQ(p.registry.accessMasks, std::vector<REGSAM>{0x20106});
  EXPECT_EQ(p.trace.lines, (Lines{header, manual, "Remove OK\n"}));

  // A second try finds the subkey gone.
  p.trace.lines.clear();
  EXPECT_FALSE(entry.Uninstall(TRUE));
  EXPECT_EQ(p.trace.lines, (Lines{header, manual, "Remove failed\n"}));
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryTest, UninstallDeletionFailures) {
  const char* manual =
      "Manually remove this uninstall entry because its preinstalled driver package path is "
      "invalid\n";
  FakePlatform p;
  p.registry.AddKey(kKeyPath + "\\Child");
  CUninstallEntry entry("{ABC}", "x.exe /u d:\\elsewhere\\zavcir.inf");
  EXPECT_FALSE(entry.Uninstall(FALSE));
  EXPECT_TRUE(p.registry.HasKey(kKeyPath));
  EXPECT_EQ(p.trace.lines.back(), "Remove failed\n");

  p.trace.lines.clear();
  p.registry.FailOpen(kUninstallKey, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(entry.Uninstall(FALSE));
  EXPECT_EQ(p.trace.lines,
            (Lines{"Uninstall entry: {ABC} x.exe /u d:\\elsewhere\\zavcir.inf\n", manual,
                   "Open SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall failed\n"}));
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryTest, DefaultEntryNeverDeletesTheUninstallKey) {
  FakePlatform p;
  p.registry.AddKey(kUninstallKey);
  EXPECT_FALSE(CUninstallEntry().Uninstall(FALSE));
  EXPECT_TRUE(p.registry.HasKey(kUninstallKey));
  EXPECT_EQ(p.trace.lines.back(), "Remove failed\n");
}

}  // namespace
