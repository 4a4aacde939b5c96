// A RegistryKey closes the key it holds through the Registry that opened it,
// once, on every way out; a failed open leaves it holding nothing.
#include "env/registry_key.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"

namespace {

TEST(RegistryKeyTest, ClosesItsKeyThroughTheRegistryThatOpenedIt) {
  const struct Case {
    const char* what;
    const char* first;   // opened into the owner first
    const char* second;  // then opened into the same owner's slot (nullptr: not)
    bool moved;          // then moved to an owner made for the other registry
    bool holds;          // the owner (or the one it moved to) holds a key at the end
    int openInScope;     // keys of the registry open just before the scope ends
  } cases[] = {
      {"an opened key is held, and closed at the end", "U\\A", nullptr, false, true, 1},
      {"a missing key leaves the owner empty", "U\\Missing", nullptr, false, false, 0},
      {"put closes the held key before the next open", "U\\A", "U\\B", false, true, 1},
      {"a failed open after a good one leaves nothing open", "U\\A", "U\\Missing", false, false, 0},
      {"a moved key is closed through its own registry", "U\\A", nullptr, true, true, 1},
  };
  for (const Case& c : cases) {
    FakeRegistry registry, other;
    registry.AddKey("U\\A");
    registry.AddKey("U\\B");
    {
      RegistryKey key(&registry), elsewhere(&other);
      registry.OpenKey(HKEY_LOCAL_MACHINE, c.first, KEY_QUERY_VALUE, key.put());
      if (c.second) registry.OpenKey(HKEY_LOCAL_MACHINE, c.second, KEY_QUERY_VALUE, key.put());
      if (c.moved) elsewhere = std::move(key);
      EXPECT_EQ(c.holds, static_cast<bool>(c.moved ? elsewhere : key)) << c.what;
      EXPECT_EQ(c.openInScope, registry.OpenKeyCount()) << c.what;
    }
    EXPECT_EQ(0, registry.OpenKeyCount()) << c.what;
  }
}

}  // namespace
