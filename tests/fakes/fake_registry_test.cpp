// The fake registry behaves as the Windows registry does where the tests of
// the core rely on it: two views, names that need room for their terminator,
// and deletion of single keys only.
#include "tests/fakes/fake_registry.h"

#include <gtest/gtest.h>

namespace {

TEST(FakeRegistryTest, BehavesAsTheSystemWhereTheCoreTestsRelyOnIt) {
  FakeRegistry reg;
  reg.SetWow64View(true);
  reg.AddKey("U\\bbb\\Child", FakeRegistry::View::k64);
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
  // A relative open stays in its parent's view.
  ASSERT_EQ(reg.OpenKey(u, "BBB\\child", KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteKey(u, "bbb"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.DeleteKey(u, "bbb\\Child"), ERROR_SUCCESS);
  BYTE data[4];
  DWORD size = sizeof data;
  EXPECT_EQ(reg.QueryValue(child, "x", nullptr, data, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(reg.DeleteKey(u, "bbb"), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(u), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKeyCount(), 0);
}

}  // namespace
