#include "package/uninstall_entry_list.h"

#include <gtest/gtest.h>

#include <thread>

#include "package/package_test_support.h"

namespace {

using package_test::AddCopy;
using package_test::InfText;
using package_test::kUninstallKey;
using View = FakeRegistry::View;

std::string Key(const std::string& name) { return std::string(kUninstallKey) + "\\" + name; }

std::vector<std::string> KeyNames(CUninstallEntryList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.GetSize(); ++i) names.push_back(list.ElementAt(i).GetKeyName());
  return names;
}

TEST(UninstallEntryListTest, NoRedirectionSwitchOn32BitWindows) {
  FakePlatform p;
  { CUninstallEntryList list; }
  EXPECT_EQ(p.system.disableCalls, 0);
  EXPECT_EQ(p.system.revertCalls, 0);
}

TEST(UninstallEntryListTest, RedirectionIsOffForTheListsLifetimeOnItsThread) {
  FakePlatform p;
  p.system.wow64 = TRUE;
  std::thread::id worker;
  std::thread([&] {
    worker = std::this_thread::get_id();
    CUninstallEntryList list;
    EXPECT_TRUE(p.system.redirectionOff);
    EXPECT_EQ(p.system.revertCalls, 0);
  }).join();
  EXPECT_FALSE(p.system.redirectionOff);
  EXPECT_EQ(p.system.disableCalls, 1);
  EXPECT_EQ(p.system.revertCalls, 1);
  EXPECT_EQ(p.system.revertedValue, reinterpret_cast<PVOID>(static_cast<uintptr_t>(0x5EED)));
  EXPECT_EQ(p.system.disableThread, worker);
  EXPECT_EQ(p.system.revertThread, worker);
}

TEST(UninstallEntryListTest, NoRevertAfterAFailedDisable) {
  for (bool available : {false, true}) {
    FakePlatform p;
    p.system.wow64 = TRUE;
    p.system.redirectionAvailable = available;
    p.system.disableResult = FALSE;
    { CUninstallEntryList list; }
    EXPECT_EQ(p.system.disableCalls, 1);
    EXPECT_EQ(p.system.revertCalls, 0);
  }
}

TEST(UninstallEntryListTest, ScanWithoutUninstallKeyFindsNothing) {
  FakePlatform p;
  CUninstallEntryList list;
  EXPECT_EQ(list.Scan(), 0);
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryListTest, ScanKeepsOnlyReadableCommandsWithTheMarker) {
  FakePlatform p;
  p.files.AddFile("c:\\windows\\inf\\zavcir.inf", InfText("3.0.0.2"));
  p.registry.SetString(Key("Plain"), "UninstallString",
                       "C:\\T\\DPInst.exe /u C:\\Windows\\INF\\ZAVCIR.INF");
  p.registry.SetString(Key("Other"), "UninstallString", "C:\\T\\other.exe /u x.inf");
  p.registry.SetString(Key("NoCommand"), "DisplayName", "zavcir.inf");
  p.registry.SetString(Key("TooLong"), "UninstallString", std::string(300, 'a') + "zavcir.inf");
  p.registry.SetString(Key("Expand"), "UninstallString", "%SystemRoot%\\myzavcir.inf.bak",
                       View::k64, REG_EXPAND_SZ);
  p.registry.SetString(Key("Locked"), "UninstallString", "zavcir.inf");
  p.registry.FailOpen(Key("Locked"), ERROR_ACCESS_DENIED);
  p.registry.SetString(Key("BadIndex"), "UninstallString", "zavcir.inf");
  p.registry.FailEnumAt(kUninstallKey, 6, ERROR_ACCESS_DENIED);
  p.registry.SetString(Key(std::string(260, 'n')), "UninstallString", "zavcir.inf");
  p.registry.SetString(Key(std::string(259, 'm')), "UninstallString", "zavcir.inf");
  p.registry.SetRaw(Key("Binary"), "UninstallString", REG_BINARY,
                    std::string("zavcir.inf\0zzz", 14));

  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 4);
  EXPECT_EQ(KeyNames(list),
            (std::vector<std::string>{"Plain", "Expand", std::string(259, 'm'), "Binary"}));
  const CUninstallEntry& plain = list.ElementAt(0);
  EXPECT_EQ(plain.GetUninstallCommand(), "c:\\t\\dpinst.exe /u c:\\windows\\inf\\zavcir.inf");
  EXPECT_EQ(plain.GetInfPath(), "c:\\windows\\inf\\zavcir.inf");
  EXPECT_EQ(plain.GetDriverVersion(), "3.0.0.2");
  EXPECT_EQ(list.ElementAt(1).GetUninstallCommand(), "%systemroot%\\myzavcir.inf.bak");
  EXPECT_EQ(list.ElementAt(3).GetUninstallCommand(), "zavcir.inf");
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryListTest, ScanUsesOnlyTheDataTheReadReports) {
  FakePlatform p;
  // A long command first, so that the value buffer holds the marker from it.
  p.registry.SetString(Key("A"), "UninstallString", std::string(200, 'a') + " zavcir.inf");
  p.registry.SetRaw(Key("B"), "UninstallString", REG_SZ, "c:\\b");
  // 260 bytes, no terminator.
  const std::string full = std::string(250, 'c') + "zavcir.inf";
  p.registry.SetRaw(Key("C"), "UninstallString", REG_SZ, full);
  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 2);
  EXPECT_EQ(KeyNames(list), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(list.ElementAt(1).GetUninstallCommand(), full);
}

TEST(UninstallEntryListTest, ScanEndsWhenEnumerationAlwaysFails) {
  FakePlatform p;
  p.registry.SetString(Key("A"), "UninstallString", "zavcir.inf");
  p.registry.FailEnumAlways(kUninstallKey, ERROR_KEY_DELETED);
  CUninstallEntryList list;
  EXPECT_EQ(list.Scan(), 0);
  EXPECT_EQ(p.registry.OpenKeyCount(), 0);
}

TEST(UninstallEntryListTest, ScanGoesOnPastSomeFailingIndexes) {
  FakePlatform p;
  for (int i = 0; i < 1100; ++i) p.registry.AddKey(Key("K" + std::to_string(i)));
  p.registry.SetString(Key("Last"), "UninstallString", "zavcir.inf");
  for (DWORD i = 0; i < 1023; ++i) p.registry.FailEnumAt(kUninstallKey, i, ERROR_MORE_DATA);
  CUninstallEntryList list;
  EXPECT_EQ(list.Scan(), 1);
}

TEST(UninstallEntryListTest, ScanUsesThe64BitViewOnWow64) {
  for (BOOL wow64 : {FALSE, TRUE}) {
    FakePlatform p;
    if (wow64) package_test::MakeWow64(p);
    p.registry.SetString(Key("Native"), "UninstallString", "zavcir.inf", View::k64);
    p.registry.SetString(Key("Redirected"), "UninstallString", "zavcir.inf", View::k32);
    CUninstallEntryList list;
    ASSERT_EQ(list.Scan(), 1);
    EXPECT_EQ(list.ElementAt(0).GetKeyName(), "Native");
    EXPECT_EQ(p.registry.accessMasks,
              (std::vector<REGSAM>{static_cast<REGSAM>(wow64 ? 0x109 : 0x9), 0x1}));
  }
}

TEST(UninstallEntryListTest, SecondScanReplacesTheEntries) {
  FakePlatform p;
  p.registry.SetString(Key("A"), "UninstallString", "zavcir.inf");
  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 1);
  p.registry.SetString(Key("A"), "UninstallString", "other.inf");
  p.registry.SetString(Key("B"), "UninstallString", "zavcir.inf");
  ASSERT_EQ(list.Scan(), 1);
  EXPECT_EQ(list.ElementAt(0).GetKeyName(), "B");
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

TEST(UninstallEntryListTest, ReadFileBytes) {
  FakePlatform p;
  p.files.AddFile("C:\\a", "abc");
  p.files.AddFile("C:\\empty", "");
  p.files.AddFile("C:\\short", "abcdef");
  p.files.MakeShortRead("C:\\short");
  CByteBuffer buffer;
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\a"), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.GetData()), buffer.GetSize()), "abc");
  // An open failure leaves the buffer as it was.
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\missing"), 0u);
  EXPECT_EQ(buffer.GetSize(), 3u);
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\short"), 0u);
  EXPECT_EQ(buffer.GetSize(), 0u);
  EXPECT_EQ(buffer.GetData(), nullptr);
  // Empty and unreadable look alike here; ReadWholeFile tells them apart.
  EXPECT_EQ(CUninstallEntryList::ReadFileBytes(buffer, "C:\\empty"), 0u);
  EXPECT_TRUE(CUninstallEntryList::ReadWholeFile(buffer, "C:\\empty"));
  EXPECT_FALSE(CUninstallEntryList::ReadWholeFile(buffer, "C:\\missing"));
}

TEST(UninstallEntryListTest, UninstallAllTriesEveryEntryAndCounts) {
  FakePlatform p;
  CUninstallEntryList list;
  EXPECT_EQ(list.UninstallAll(TRUE), 0);
  for (const char* name : {"A", "B", "C"})
    AddCopy(p, name, std::string("zavcir.inf_") + name, InfText("1.0"));
  p.runner.results = {0, 0x80000000, 0x40000000};
  ASSERT_EQ(list.Scan(), 3);
  EXPECT_EQ(list.UninstallAll(FALSE), 2);
  ASSERT_EQ(p.runner.commands.size(), 3u);
  EXPECT_NE(p.runner.commands[1].find("zavcir.inf_b\\"), std::string::npos);
  EXPECT_EQ(list.GetSize(), 3);
}

TEST(UninstallEntryListTest, RemoveAtKeepsTheOrderOfTheRest) {
  FakePlatform p;
  for (const char* name : {"A", "B", "C"})
    p.registry.SetString(Key(name), "UninstallString", "zavcir.inf");
  CUninstallEntryList list;
  ASSERT_EQ(list.Scan(), 3);
  list.RemoveAt(1);
  EXPECT_EQ(KeyNames(list), (std::vector<std::string>{"A", "C"}));
  EXPECT_TRUE(p.registry.HasKey(Key("B")));
}

}  // namespace
