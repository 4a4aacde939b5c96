#include "package/uninstall_entry.h"

#include <gtest/gtest.h>

#include "package/package_test_support.h"
#include "tests/fakes/fake_log_file.h"

namespace {

using package_test::kUninstallKey;
using Lines = std::vector<std::string>;

const std::string kKeyPath = package_test::UninstallSubkey("{ABC}");
constexpr char kInf[] = "c:\\windows\\inf\\zavcir.inf";
constexpr char kCommand[] = "c:\\tools\\dpinst.exe /u c:\\windows\\inf\\zavcir.inf";
constexpr char kManual[] =
    "Manually remove this uninstall entry because its preinstalled driver package path is "
    "invalid\n";

TEST(UninstallEntryTest, InfPathIsTheTailFromTheFirstWindowsDirectory) {
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
    EXPECT_EQ(CUninstallEntry("{ABC}", c.command).GetInfPath(), c.infPath) << c.command;
  }
}

TEST(UninstallEntryTest, DriverVersionRules) {
  const std::string longLine(10000, 'x');
  // A CR as the last byte of the reader's first 4096-byte chunk, its LF the first of the next.
  const std::string splitEnd(4096 - 1 - 15, '1');
  struct Case {
    std::string text, version;
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
      {longLine + "\r\n" + longLine + "DriverVer\r\nDriverVer = a, " + std::string(5000, '1'),
       std::string(5000, '1')},
      {"DriverVer = a, " + splitEnd + "\r\nDriverVer = b, 2\r\n", splitEnd},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.files.AddFile(kInf, c.text);
    EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), c.version) << c.text.substr(0, 60);
  }
}

// text as UTF-16LE bytes, after the byte-order mark FF FE when mark is set.
std::string Utf16(const std::u16string& text, bool mark = true) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

TEST(UninstallEntryTest, DriverVersionOfUtf16Files) {
  const std::u16string longLine(5000, u'x');  // 10000 bytes: longer than a read
  const std::u16string longVersion(3000, u'7');
  struct Case {
    const char* what;
    std::string bytes;
    bool shortReads;
    std::string version;
    const char* log;  // the support log's line, or nullptr for none
  } cases[] = {
      {"by the line rule", Utf16(u"; DriverVer = a, 1\r\nDriverVer = 01/02/2020, 3.0. 0.2 ; x\r\n"),
       false, "3.0.0.2;x", nullptr},
      {"reads of odd sizes", Utf16(u"[Version]\r\nDriverVer=a,\t2.0\r\nDriverVer=a,9\r\n"), true,
       "\t2.0", nullptr},
      {"without the mark the file is 8-bit text", Utf16(u"DriverVer=a,1.0\r\n", false), false, "",
       nullptr},
      {"an odd last byte is dropped", Utf16(u"DriverVer=a,1.5") + "1", false, "1.5", nullptr},
      {"a lone CR at the end stays", Utf16(u"DriverVer=a,1.6\r"), false, "1.6\r", nullptr},
      {"only U+000A ends a line", Utf16(u"\u0A0A\u0D0A DriverVer=a,1.7\n"), false, "1.7", nullptr},
      {"long lines",
       Utf16(longLine + u"\r\n" + longLine + u"DriverVer=a," + longVersion + u"\r\nx"), true,
       std::string(3000, '7'), nullptr},
      {"a character the code page has", Utf16(u"DriverVer=a,1.0\u00E9\n"), false, "1.0\xE9",
       nullptr},
      {"a character the code page lacks", Utf16(u"DriverVer=a,1.0\u0416\n"), false, "",
       "DriverVer of c:\\windows\\inf\\zavcir.inf: the version has characters that code page "
       "1252 cannot carry (\"1.0?\"); it is not written"},
      {"no line qualifies", Utf16(u"DriverVer 1.0\r\n"), false, "", nullptr},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    FakeLogFile& log = p.log;
    log.Open("log");
    p.system.codePage.number = 1252;
    p.system.ansiCharacters = {{u'\u00E9', "\xE9"}};
    p.files.AddFile(kInf, c.bytes);
    if (c.shortReads) p.files.MakeShortRead(kInf);
    EXPECT_EQ(CUninstallEntry("k", kCommand).GetDriverVersion(), c.version) << c.what;
    EXPECT_EQ(log.TextLines("log"), c.log ? Lines{c.log} : Lines{}) << c.what;
  }
}

TEST(UninstallEntryTest, DisplayValuesAreStringsWithTerminatorInThe64BitView) {
  FakePlatform p;
  package_test::MakeWow64(p);
  p.registry.AddKey(kKeyPath);
  CUninstallEntry entry("{ABC}", kCommand);
  entry.SetDisplayName("ZAV CIR Receiver Driver");
  entry.SetDisplayVersion("3.0.0.2");
  std::string name, version;
  DWORD type = 0;
  ASSERT_TRUE(p.registry.GetValue(kKeyPath, "DisplayName", &name, &type));
  EXPECT_EQ(name, std::string("ZAV CIR Receiver Driver", 24));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  ASSERT_TRUE(p.registry.GetValue(kKeyPath, "DisplayVersion", &version, &type));
  EXPECT_EQ(version, std::string("3.0.0.2", 8));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(p.registry.accessMasks, std::vector<REGSAM>(2, KEY_WRITE | KEY_WOW64_64KEY));
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryTest, UninstallRunsTheCommandWhileTheInfIsAFile) {
  struct Case {
    const char* command;
    BOOL silent;
    DWORD result;
    bool infDeleted;
    const char* run;
    BOOL succeeded;
  } cases[] = {
      {kCommand, FALSE, 0, true, kCommand, TRUE},
      {kCommand, FALSE, 0x40000000, false, kCommand, TRUE},
      {kCommand, FALSE, 0x80000000, true, kCommand, FALSE},
      {kCommand, FALSE, 0x90000002, false, kCommand, FALSE},
      {kCommand, TRUE, 0, false, "c:\\tools\\dpinst.exe /s /u c:\\windows\\inf\\zavcir.inf", TRUE},
      // Every "/u " is rewritten, the inserted text is not searched again.
      {"x.exe /s /u c:\\windows\\inf\\zavcir.inf", TRUE, 0, false,
       "x.exe /s /s /u c:\\windows\\inf\\zavcir.inf", TRUE},
      {"x.exe /u/u /u c:\\windows\\inf\\zavcir.inf", TRUE, 0, false,
       "x.exe /u/s /u /s /u c:\\windows\\inf\\zavcir.inf", TRUE},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.files.AddFile(kInf, "");
    p.runner.results = {c.result};
    if (c.infDeleted) p.runner.onRun = [&p](const std::string&) { p.files.Remove(kInf); };
    CUninstallEntry entry("{ABC}", c.command);
    EXPECT_EQ(entry.Uninstall(c.silent), c.succeeded) << c.run;
    EXPECT_EQ(p.runner.commands, Lines{c.run});
    EXPECT_EQ(entry.GetUninstallCommand(), c.command);
    Lines traces = {std::string("Uninstall entry: {ABC} ") + c.command + "\n",
                    "Execute this uninstall entry\n"};
    if (c.infDeleted) traces.push_back(std::string(kInf) + " was successfully deleted\n");
    EXPECT_EQ(p.log.TraceLines(), traces) << c.run;
    EXPECT_TRUE(p.registry.accessMasks.empty()) << c.run;
  }
}

// On 64-bit Windows the subkey goes from the 64-bit view, where the installer
// wrote it (RegDeleteKeyExA with KEY_WOW64_64KEY): a subkey of the same name in
// the 32-bit view stays. On 32-bit Windows, whose XP lacks RegDeleteKeyExA, the
// deletion names no view (RegDeleteKeyA).
class UninstallEntryDeletion : public ::testing::TestWithParam<package_test::ViewRule> {};

TEST_P(UninstallEntryDeletion, WithoutItsInfFileTheEntryDeletesItsOwnSubkeyOnly) {
  const std::string openFailed = std::string("Open ") + kUninstallKey + " failed\n";
  const bool wow64 = GetParam() != package_test::ViewRule::kOneView;
  struct Case {
    const char* what;
    bool child, openFails;
    std::string last;  // the last Trace line
  } cases[] = {
      {"a lone subkey", false, false, "Remove OK\n"},
      {"a subkey with a child", true, false, "Remove failed\n"},
      {"the Uninstall key does not open", false, true, openFailed},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    package_test::UseViewRule(p, GetParam());
    const REGSAM view = wow64 ? KEY_WOW64_64KEY : 0;
    if (wow64) p.registry.AddKey(kKeyPath, FakeRegistry::View::k32);
    p.registry.AddKey(c.child ? kKeyPath + "\\Child" : kKeyPath);
    if (c.openFails) p.registry.FailOpen(kUninstallKey, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CUninstallEntry("{ABC}", kCommand).Uninstall(TRUE)) << c.what;
    EXPECT_TRUE(p.runner.commands.empty()) << c.what;
    EXPECT_EQ(p.log.TraceLines(),
              (Lines{std::string("Uninstall entry: {ABC} ") + kCommand + "\n", kManual, c.last}))
        << c.what;
    EXPECT_EQ(p.registry.HasKey(kKeyPath), c.last != "Remove OK\n") << c.what;
    // A subkey of the same name in the other view stays.
    EXPECT_EQ(p.registry.HasKey(kKeyPath, FakeRegistry::View::k32), wow64) << c.what;
    EXPECT_EQ(p.registry.accessMasks, std::vector<REGSAM>{KEY_WRITE | view}) << c.what;
    EXPECT_EQ(p.registry.deleteViews, std::vector<REGSAM>(c.openFails ? 0 : 1, view)) << c.what;
    EXPECT_EQ(p.registry.OpenKeyCount(), 0) << c.what;
  }
  // An entry without a name would name the Uninstall key itself: it stays.
  FakePlatform p;
  p.registry.AddKey(kUninstallKey);
  EXPECT_FALSE(CUninstallEntry().Uninstall(FALSE));
  EXPECT_TRUE(p.registry.HasKey(kUninstallKey));
}

INSTANTIATE_TEST_SUITE_P(EachWindows, UninstallEntryDeletion,
                         ::testing::ValuesIn(package_test::kEveryViewRule),
                         package_test::ViewRuleName);

}  // namespace
