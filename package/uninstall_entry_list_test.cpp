#include "package/uninstall_entry_list.h"

#include <gtest/gtest.h>

#include "package/package_test_support.h"

namespace {

using package_test::AddCopy;
using package_test::kUninstallKey;
using package_test::UninstallSubkey;
using Strings = std::vector<std::string>;

Strings KeyNames(CUninstallEntryList& list) {
  Strings names;
  for (int i = 0; i < list.GetSize(); ++i) names.push_back(list.ElementAt(i).GetKeyName());
  return names;
}

TEST(UninstallEntryListTest, RedirectionIsRestoredOnlyAfterTheListSwitchedItOff) {
  struct Case {
    const char* what;
    BOOL wow64;
    bool available;  // the system has the functions
    BOOL disabled;   // the switch succeeds
    int disableCalls, revertCalls;
  } cases[] = {
      {"32-bit Windows", FALSE, true, TRUE, 0, 0},
      {"functions missing", TRUE, false, FALSE, 1, 0},
      {"switch fails", TRUE, true, FALSE, 1, 0},
      {"switched off", TRUE, true, TRUE, 1, 1},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.system.wow64 = c.wow64;
    p.system.redirectionAvailable = c.available;
    p.system.disableResult = c.disabled;
    {
      CUninstallEntryList list;
      EXPECT_EQ(p.system.redirectionOff, c.revertCalls == 1) << c.what;
    }
    EXPECT_FALSE(p.system.redirectionOff) << c.what;
    EXPECT_EQ(p.system.disableCalls, c.disableCalls) << c.what;
    EXPECT_EQ(p.system.revertCalls, c.revertCalls) << c.what;
    // The value that the switch gave is handed back.
    if (c.revertCalls) {
      EXPECT_EQ(p.system.revertedValue, reinterpret_cast<PVOID>(static_cast<uintptr_t>(0x5EED)));
    }
  }
}

class UninstallEntryListScan : public ::testing::TestWithParam<package_test::ViewRule> {};

// On 64-bit Windows the entries are those of the 64-bit view: the scan opens
// every subkey in that view, as the Uninstall key itself, under the rule of
// each version. Keys of the 32-bit view, of the same names or others, are not
// seen.
TEST_P(UninstallEntryListScan, KeepsOnlyReadableCommandsWithTheMarker) {
  const bool wow64 = GetParam() != package_test::ViewRule::kOneView;
  FakePlatform p;
  package_test::UseViewRule(p, GetParam());
  if (wow64) {
    p.registry.SetString(UninstallSubkey("Plain"), "UninstallString", "c:\\t\\other.exe",
                         FakeRegistry::View::k32);
    p.registry.SetString(UninstallSubkey("Only32"), "UninstallString", "zavcir.inf",
                         FakeRegistry::View::k32);
  }
  p.files.AddFile("c:\\windows\\inf\\zavcir.inf", package_test::InfText("3.0.0.2"));
  auto command = [&p](const std::string& key, const std::string& text) {
    p.registry.SetString(UninstallSubkey(key), "UninstallString", text);
  };
  command("Plain", "C:\\T\\DPInst.exe /u C:\\Windows\\INF\\ZAVCIR.INF");
  command("Other", "C:\\T\\other.exe /u x.inf");
  command("TooLong", std::string(300, 'a') + "zavcir.inf");
  command("Locked", "zavcir.inf");
  p.registry.FailOpen(UninstallSubkey("Locked"), ERROR_ACCESS_DENIED);
  command("BadIndex", "zavcir.inf");
  p.registry.FailEnumAt(kUninstallKey, 4, ERROR_ACCESS_DENIED);  // BadIndex
  command(std::string(260, 'n'), "zavcir.inf");  // no room for the name's terminator
  command(std::string(259, 'm'), "zavcir.inf");
  p.registry.SetRaw(UninstallSubkey("Binary"), "UninstallString", REG_BINARY,
                    std::string("zavcir.inf\0zzz", 14));

  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 3);
  EXPECT_EQ(KeyNames(list), (Strings{"Plain", std::string(259, 'm'), "Binary"}));
  const CUninstallEntry& plain = list.ElementAt(0);
  EXPECT_EQ(plain.GetUninstallCommand(), "c:\\t\\dpinst.exe /u c:\\windows\\inf\\zavcir.inf");
  EXPECT_EQ(plain.GetInfPath(), "c:\\windows\\inf\\zavcir.inf");
  EXPECT_EQ(plain.GetDriverVersion(), "3.0.0.2");
  EXPECT_EQ(list.ElementAt(2).GetUninstallCommand(), "zavcir.inf");
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
  const REGSAM view = wow64 ? KEY_WOW64_64KEY : 0;
  for (REGSAM mask : p.registry.accessMasks) EXPECT_EQ(mask & KEY_WOW64_64KEY, view);

  // A second scan starts afresh.
  p.registry.SetString(UninstallSubkey("Plain"), "UninstallString", "other.inf");
  ASSERT_EQ(list.Scan(), 2);
  EXPECT_EQ(list.ElementAt(0).GetKeyName(), std::string(259, 'm'));
}

INSTANTIATE_TEST_SUITE_P(EachWindows, UninstallEntryListScan,
                         ::testing::ValuesIn(package_test::kEveryViewRule),
                         package_test::ViewRuleName);

TEST(UninstallEntryListTest, ScanUsesOnlyTheDataTheReadReports) {
  FakePlatform p;
  // A long command first, so that the value buffer still holds its marker.
  p.registry.SetString(UninstallSubkey("A"), "UninstallString",
                       std::string(200, 'a') + " zavcir.inf");
  p.registry.SetRaw(UninstallSubkey("B"), "UninstallString", REG_SZ, "c:\\b");
  const std::string full = std::string(250, 'c') + "zavcir.inf";  // 260 bytes, no terminator
  p.registry.SetRaw(UninstallSubkey("C"), "UninstallString", REG_SZ, full);
  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 2);
  EXPECT_EQ(KeyNames(list), (Strings{"A", "C"}));
  EXPECT_EQ(list.ElementAt(1).GetUninstallCommand(), full);
}

TEST(UninstallEntryListTest, ScanSkipsFailingIndexesButEndsWhenEnumerationAlwaysFails) {
  {
    FakePlatform p;
    for (int i = 0; i < 1100; ++i) p.registry.AddKey(UninstallSubkey("K" + std::to_string(i)));
    p.registry.SetString(UninstallSubkey("Last"), "UninstallString", "zavcir.inf");
    for (DWORD i = 0; i < 1023; ++i) p.registry.FailEnumAt(kUninstallKey, i, ERROR_MORE_DATA);
    CUninstallEntryList list;
    EXPECT_EQ(list.Scan(), 1);
  }
  FakePlatform p;
  p.registry.SetString(UninstallSubkey("A"), "UninstallString", "zavcir.inf");
  p.registry.FailEnumAlways(kUninstallKey, ERROR_KEY_DELETED);
  CUninstallEntryList list;
  EXPECT_EQ(list.Scan(), 0);
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryListTest, FindByInfContent) {
  const std::string reference = "C:\\Dist\\zavcir.inf";
  struct Case {
    const char* name;
    std::vector<const char*> copies;  // INF contents; "-" no file, "?" unreadable
    const char* given;                // "-" no file, "?" unreadable
    int expected;
  } cases[] = {
      {"empty list", {}, "abc", -1},
      {"no files", {"-", "-"}, "abc", -1},
      {"identical twice", {"xyz", "abc", "abc"}, "abc", 1},
      {"one byte differs", {"abd"}, "abc", -1},
      {"longer", {"abcd"}, "abc", -1},
      {"missing given file", {"", "?", "-"}, "-", -1},
      {"unreadable given file", {"", "?"}, "?", -1},
      {"both empty", {"?", "x", ""}, "", 2},
      {"unreadable copy passed over", {"?", "abc"}, "abc", 1},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    for (size_t i = 0; i < c.copies.size(); ++i) {
      const std::string folder = "zavcir.inf_" + std::to_string(i);
      AddCopy(p, "K" + std::to_string(i), folder, c.copies[i]);
      const std::string inf = package_test::StoreFolder(folder) + "\\zavcir.inf";
      if (std::string(c.copies[i]) == "-") p.files.Remove(inf);
      if (std::string(c.copies[i]) == "?") p.files.MakeUnreadable(inf);
    }
    if (std::string(c.given) != "-") p.files.AddFile(reference, c.given);
    if (std::string(c.given) == "?") p.files.MakeUnreadable(reference);
    CUninstallEntryList list;
    list.Scan();
    EXPECT_EQ(list.FindByInfContent(reference.c_str()), c.expected) << c.name;
  }
}

TEST(UninstallEntryListTest, ReadFileBytesGivesTheLengthOfWholeFilesOnly) {
  FakePlatform p;
  p.files.AddFile("C:\\a", "abc");
  p.files.AddFile("C:\\short", "abcdef");
  p.files.MakeShortRead("C:\\short");
  CByteBuffer buffer;
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\a"), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.GetData()), buffer.GetSize()), "abc");
  // An open failure leaves the buffer as it was; a short read empties it.
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\missing"), 0u);
  EXPECT_EQ(buffer.GetSize(), 3u);
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\short"), 0u);
  EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(UninstallEntryListTest, UninstallAllTriesEveryEntryAndRemoveAtKeepsTheOrder) {
  FakePlatform p;
  for (const char* name : {"A", "B", "C", "D"})
    AddCopy(p, name, std::string("zavcir.inf_") + name, package_test::InfText("1.0"));
  p.runner.results = {0, 0x80000000, 0x40000000};
  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 4);
  list.RemoveAt(2);
  EXPECT_EQ(KeyNames(list), (Strings{"A", "B", "D"}));
  EXPECT_EQ(list.UninstallAll(FALSE), 2);
  EXPECT_EQ(p.runner.commands, (Strings{package_test::EntryCommand("zavcir.inf_A", false),
                                        package_test::EntryCommand("zavcir.inf_B", false),
                                        package_test::EntryCommand("zavcir.inf_D", false)}));
  EXPECT_TRUE(p.registry.HasKey(UninstallSubkey("C")));
}

}  // namespace
