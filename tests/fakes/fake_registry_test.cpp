// The fake registry behaves as the Windows registry does where the tests of
// the core rely on it: two views whose choice is each call's own, names that
// need room for their terminator, and deletion of single keys only.
#include "tests/fakes/fake_registry.h"

#include <gtest/gtest.h>

namespace {

using View = FakeRegistry::View;

TEST(FakeRegistryTest, BehavesAsTheSystemWhereTheCoreTestsRelyOnIt) {
  FakeRegistry reg;
  reg.SetViewRule(FakeRegistry::ViewRule::kWin7);
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

// Below an open key each Windows has its rule, as Wine's registry tests
// (advapi32 test_redirection) record it for a 32-bit process on Windows; an
// open and a deletion (which opens the subkey with its view flag) alike.
TEST(FakeRegistryTest, BelowAnOpenKeyEachWindowsHasItsRule) {
  using Rule = FakeRegistry::ViewRule;
  const REGSAM flags[] = {0, KEY_WOW64_64KEY, KEY_WOW64_32KEY};
  struct Case {
    Rule rule;
    // The view reached below a parent opened in the 64-bit view, then in the
    // 32-bit one, by a call with no flag, KEY_WOW64_64KEY, KEY_WOW64_32KEY.
    const char* reached[2][3];
  } cases[] = {
      {Rule::kOneView, {{"64", "64", "64"}, {"64", "64", "64"}}},
      // "dw == 64 || broken(dw == 32) /* xp64 */": XP x64 follows the call's flag.
      {Rule::kXpX64, {{"32", "64", "32"}, {"32", "64", "32"}}},
      // Vista: no flag keeps the parent's view; "is_vista ? 64 : 32" with
      // KEY_WOW64_64KEY below a 32-bit parent.
      {Rule::kVista, {{"64", "64", "32"}, {"32", "64", "32"}}},
      // 7 and later: KEY_WOW64_64KEY does not leave a 32-bit parent.
      {Rule::kWin7, {{"64", "64", "32"}, {"32", "32", "32"}}},
  };
  for (const Case& c : cases) {
    for (int parent = 0; parent < 2; ++parent) {
      for (int f = 0; f < 3; ++f) {
        for (bool deleting : {false, true}) {
          const std::string reached = c.reached[parent][f];
          const std::string what = "rule " + std::to_string(static_cast<int>(c.rule)) +
                                   ", parent " + (parent ? "32" : "64") + ", flag " +
                                   std::to_string(flags[f]) + (deleting ? ", delete" : ", open");
          FakeRegistry reg;
          reg.SetViewRule(c.rule);
          reg.SetString("U\\K", "v", "64");
          if (c.rule != Rule::kOneView) reg.SetString("U\\K", "v", "32", View::k32);
          HKEY u = nullptr, k = nullptr;
          ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "U",
                                KEY_QUERY_VALUE | (parent ? 0 : KEY_WOW64_64KEY), &u),
                    ERROR_SUCCESS);
          if (deleting) {
            EXPECT_EQ(reg.DeleteKey(u, "K", flags[f]), ERROR_SUCCESS) << what;
            EXPECT_EQ(reg.HasKey("U\\K", View::k64), reached != "64") << what;
            if (c.rule != Rule::kOneView) {
              EXPECT_EQ(reg.HasKey("U\\K", View::k32), reached != "32") << what;
            }
          } else {
            ASSERT_EQ(reg.OpenKey(u, "k", KEY_QUERY_VALUE | flags[f], &k), ERROR_SUCCESS) << what;
            char data[4] = {};
            DWORD size = sizeof data;
            EXPECT_EQ(reg.QueryValue(k, "v", nullptr, reinterpret_cast<BYTE*>(data), &size),
                      ERROR_SUCCESS);
            EXPECT_EQ(std::string(data), reached) << what;
            reg.CloseKey(k);
          }
          reg.CloseKey(u);
        }
      }
    }
  }
}

// Without a key in the view reached, nothing is found, whatever the other has.
TEST(FakeRegistryTest, AKeyOfTheOtherViewIsNotFound) {
  FakeRegistry reg;
  reg.SetViewRule(FakeRegistry::ViewRule::kWin7);
  reg.SetString("U\\K", "v", "64");
  HKEY u = nullptr, k = nullptr;
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "U", KEY_QUERY_VALUE | KEY_WOW64_64KEY, &u),
            ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKey(u, "K", KEY_QUERY_VALUE | KEY_WOW64_32KEY, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.DeleteKey(u, "K", KEY_WOW64_32KEY), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(reg.HasKey("U\\K"));
  EXPECT_EQ(reg.deleteViews, std::vector<REGSAM>{KEY_WOW64_32KEY});
  reg.CloseKey(u);
}

}  // namespace
