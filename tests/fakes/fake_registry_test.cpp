// The fake registry behaves as the Windows registry does where the tests of
// the core rely on it: two views whose choice is each call's own, names that
// need room for their terminator, and deletion of single keys only.
#include "tests/fakes/fake_registry.h"

#include <gtest/gtest.h>

namespace {

using View = FakeRegistry::View;

TEST(FakeRegistryTest, BehavesAsTheSystemWhereTheCoreTestsRelyOnIt) {
  FakeRegistry reg;
  reg.SetWow64View(true);
  reg.AddKey("U\\bbb\\Child", View::k64);
  HKEY u = nullptr, child = nullptr;
  const REGSAM access = KEY_WRITE | KEY_ENUMERATE_SUB_KEYS;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "u", access, &u), ERROR_FILE_NOT_FOUND);  // 32-bit view
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "u", access | KEY_WOW64_64KEY, &u), ERROR_SUCCESS);
  char name[8];
  DWORD length = 3;
  EXPECT_EQ(reg.EnumKey(u, 0, name, &length), ERROR_MORE_DATA);
  length = 4;
  EXPECT_EQ(reg.EnumKey(u, 0, name, &length), ERROR_SUCCESS);
  EXPECT_STREQ(name, "bbb");
  EXPECT_EQ(reg.EnumKey(u, 1, name, &length), ERROR_NO_MORE_ITEMS);
  ASSERT_EQ(reg.OpenKey(u, "BBB\\child", KEY_QUERY_VALUE | KEY_WOW64_64KEY, &child), ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteKey(u, "bbb", KEY_WOW64_64KEY), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.DeleteKey(u, "bbb\\Child", KEY_WOW64_64KEY), ERROR_SUCCESS);
  BYTE data[4];
  DWORD size = sizeof data;
  EXPECT_EQ(reg.QueryValue(child, "x", nullptr, data, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(reg.DeleteKey(u, "bbb", KEY_WOW64_64KEY), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(u), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKeyCount(), 0);
}

// Below a key opened in the 64-bit view, an open or a deletion without the flag
// reaches the key of that path in the 32-bit view; with one view the flag is
// ignored.
TEST(FakeRegistryTest, EachCallChoosesItsOwnView) {
  struct Case {
    bool twoViews;
    REGSAM flag;
    const char* reached;  // "64", "32" or "none": whose key the call reached
  } cases[] = {
      {true, KEY_WOW64_64KEY, "64"},  {true, 0, "32"},
      {true, KEY_WOW64_32KEY, "32"},  {false, 0, "64"},
      {false, KEY_WOW64_64KEY, "64"},
  };
  for (const Case& c : cases) {
    for (const char* only : {"64", "both"}) {
      FakeRegistry reg;
      reg.SetWow64View(c.twoViews);
      reg.SetString("U\\K", "v", "64");
      if (std::string(only) == "both") reg.SetString("U\\K", "v", "32", View::k32);
      const std::string reached =
          std::string(c.reached) == "32" && std::string(only) == "64" ? "none" : c.reached;
      const std::string what = std::string(c.twoViews ? "WOW64" : "32-bit") + " flag " +
                               std::to_string(c.flag) + " " + only;
      HKEY u = nullptr, k = nullptr;
      ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "U", KEY_QUERY_VALUE | KEY_WOW64_64KEY, &u),
                ERROR_SUCCESS);
      const LONG opened = reg.OpenKey(u, "k", KEY_QUERY_VALUE | c.flag, &k);
      EXPECT_EQ(opened, reached == "none" ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS) << what;
      if (opened == ERROR_SUCCESS) {
        char data[4] = {};
        DWORD size = sizeof data;
        EXPECT_EQ(reg.QueryValue(k, "v", nullptr, reinterpret_cast<BYTE*>(data), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::string(data), reached) << what;
        reg.CloseKey(k);
      }
      const LONG deleted = reg.DeleteKey(u, "K", c.flag);
      EXPECT_EQ(deleted, reached == "none" ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS) << what;
      EXPECT_EQ(reg.HasKey("U\\K", View::k64), reached != "64") << what;
      if (c.twoViews && std::string(only) == "both") {
        EXPECT_EQ(reg.HasKey("U\\K", View::k32), reached != "32") << what;
      }
      reg.CloseKey(u);
      EXPECT_EQ(reg.deleteViews, std::vector<REGSAM>{c.flag}) << what;
    }
  }
}

}  // namespace
