// The fake registry behaves as the Windows registry does where the core relies on it.
#include "tests/fakes/fake_registry.h"

#include <gtest/gtest.h>

namespace {

using View = FakeRegistry::View;

TEST(FakeRegistryTest, ViewsAndRelativeOpens) {
  FakeRegistry reg;
  reg.SetWow64View(true);
  reg.AddKey("Software\\A\\Child", View::k64);
  HKEY key = nullptr, child = nullptr;
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\a", KEY_QUERY_VALUE, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\a", 0x109, &key), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKey(key, "CHILD", KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKeyCount(), 2);
  EXPECT_EQ(reg.CloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(key), ERROR_SUCCESS);
  EXPECT_NE(reg.CloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(reg.OpenKeyCount(), 0);
  reg.SetWow64View(false);  // one view: the flag is ignored
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "Software\\A", KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  reg.CloseKey(key);
}

TEST(FakeRegistryTest, EnumerationOrderBufferSizeAndAccess) {
  FakeRegistry reg;
  reg.AddKey("K\\bbb");
  reg.AddKey("K\\A");
  HKEY key = nullptr;
  char name[8];
  DWORD length = 3;
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "K", KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  EXPECT_EQ(reg.EnumKey(key, 0, name, &length), ERROR_ACCESS_DENIED);
  reg.CloseKey(key);
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "K", KEY_ENUMERATE_SUB_KEYS, &key), ERROR_SUCCESS);
  EXPECT_EQ(reg.EnumKey(key, 0, name, &length), ERROR_MORE_DATA);  // needs room for the zero
  length = 4;
  EXPECT_EQ(reg.EnumKey(key, 0, name, &length), ERROR_SUCCESS);
  EXPECT_STREQ(name, "bbb");
  EXPECT_EQ(length, 3u);
  length = sizeof name;
  EXPECT_EQ(reg.EnumKey(key, 1, name, &length), ERROR_SUCCESS);
  EXPECT_STREQ(name, "A");
  EXPECT_EQ(reg.EnumKey(key, 2, name, &length), ERROR_NO_MORE_ITEMS);
  reg.FailEnumAt("k", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.EnumKey(key, 1, name, &length), ERROR_ACCESS_DENIED);
  reg.FailEnumAlways("K", ERROR_KEY_DELETED);
  EXPECT_EQ(reg.EnumKey(key, 5, name, &length), ERROR_KEY_DELETED);
  reg.CloseKey(key);
}

TEST(FakeRegistryTest, ValuesAndTheirSizes) {
  FakeRegistry reg;
  reg.SetString("K", "S", "abc");
  reg.AddKey("K");  // keeps what is there
  HKEY key = nullptr;
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "K", KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  BYTE data[8] = {};
  DWORD type = 0, size = 3;
  EXPECT_EQ(reg.QueryValue(key, "s", &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(reg.QueryValue(key, "S", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string("abc", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(reg.QueryValue(key, "missing", &type, data, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.SetValue(key, "T", REG_SZ, data, 1), ERROR_ACCESS_DENIED);
  reg.CloseKey(key);
  reg.DenyWrite("K");
  EXPECT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "K", KEY_WRITE, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.accessMasks.back(), static_cast<REGSAM>(KEY_WRITE));
}

TEST(FakeRegistryTest, DeleteKeyDeletesOneKeyWithoutSubkeys) {
  FakeRegistry reg;
  reg.AddKey("U\\Parent\\Child");
  HKEY u = nullptr, child = nullptr;
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "U", KEY_WRITE, &u), ERROR_SUCCESS);
  ASSERT_EQ(reg.OpenKey(u, "Parent\\Child", KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteKey(u, "Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.DeleteKey(u, "Parent\\Child"), ERROR_SUCCESS);
  EXPECT_FALSE(reg.HasKey("U\\Parent\\Child"));
  BYTE data[4];
  DWORD size = sizeof data;
  EXPECT_EQ(reg.QueryValue(child, "x", nullptr, data, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(reg.DeleteKey(u, "Parent"), ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteKey(u, "Parent"), ERROR_FILE_NOT_FOUND);
  reg.CloseKey(child);
  reg.CloseKey(u);
  EXPECT_EQ(reg.OpenKeyCount(), 0);
}

}  // namespace
