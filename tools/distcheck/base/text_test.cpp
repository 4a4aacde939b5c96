#include "tools/distcheck/base/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, PathComponents) {
  struct Case {
    const char* path;
    const char* last;     // LastComponent(path)
    const char* trimmed;  // WithoutTrailingSeparators(path)
  } cases[] = {
      {"zavcir.sys", "zavcir.sys", "zavcir.sys"},
      {"x64\\drivers\\zavcir.sys", "zavcir.sys", "x64\\drivers\\zavcir.sys"},
      {"/tmp/dist", "dist", "/tmp/dist"},
      {"mixed/sep\\name", "name", "mixed/sep\\name"},
      {"/tmp/my dist/", "", "/tmp/my dist"},
      {"C:\\dist\\\\", "", "C:\\dist"},
      {"dist/\\/", "", "dist"},
      {"/", "", "/"},
      {"\\", "", "\\"},
      {"", "", ""},  // sentinel
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.last, LastComponent(c.path)) << c.path;
    EXPECT_EQ(c.trimmed, WithoutTrailingSeparators(c.path)) << c.path;
  }
  // The distribution folder's own name, as the checker takes it.
  EXPECT_EQ("my dist", LastComponent(WithoutTrailingSeparators("/tmp/my dist/")));
}

TEST(TextTest, JoinFolderAndQuoted) {
  struct Case {
    const char* a;
    const char* b;
    const char* joined;
  } cases[] = {
      {"disk1", "x64", "disk1\\x64"},
      {"", "x64", "x64"},
      {"disk1", "", "disk1"},
      {"", "", ""},  // sentinel
  };
  for (const Case& c : cases) EXPECT_EQ(c.joined, JoinFolder(c.a, c.b)) << c.a << "|" << c.b;
  EXPECT_EQ("'zavcir.cat'", Quoted("zavcir.cat"));
  EXPECT_EQ("''", Quoted(""));
}

}  // namespace
