// The owner closes each value it owned exactly once, through the traits that
// came with the value, and never the invalid value.
#include "base/unique_resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Values are ints, -1 the invalid one; every Close lands in a log as the
// traits' tag and the value ("a5").
struct TaggedCloser {
  std::vector<std::string>* log;
  char tag;
  static int Invalid() { return -1; }
  void Close(int value) const { log->push_back(tag + std::to_string(value)); }
};
using Owner = unique_resource<int, TaggedCloser>;

struct NoState {
  static int Invalid() { return 0; }
  static void Close(int) {}
};
static_assert(sizeof(unique_resource<int, NoState>) == sizeof(int),
              "stateless traits take no room");

TEST(UniqueResourceTest, ClosesEachOwnedValueOnceThroughItsOwnTraits) {
  // run acts on owner (traits tagged 'a'), which lives on after it; the other
  // owners that run makes have traits tagged 'b'.
  using Log = std::vector<std::string>;
  const struct Case {
    const char* what;
    void (*run)(Owner& owner, Log* log);
    Log inRun;  // closed while run runs
    int owned;  // what owner holds after run
    Log atEnd;  // closed by the end of owner's scope
  } cases[] = {
      {"nothing owned: nothing closed", [](Owner&, Log*) {}, {}, -1, {}},
      {"an owner going out of scope closes its value",
       [](Owner&, Log* log) {
         Owner scoped(TaggedCloser{log, 'b'}, 1);
       },
       {"b1"},
       -1,
       {"b1"}},
      {"reset closes the old value and owns the new one",
       [](Owner& owner, Log*) {
         owner.reset(2);
         owner.reset(3);
       },
       {"a2"},
       3,
       {"a2", "a3"}},
      {"reset to nothing closes the value",
       [](Owner& owner, Log*) {
         owner.reset(4);
         owner.reset();
       },
       {"a4"},
       -1,
       {"a4"}},
      {"put closes the old value, then owns what the call stores",
       [](Owner& owner, Log*) {
         owner.reset(5);
         *owner.put() = 6;
       },
       {"a5"},
       6,
       {"a5", "a6"}},
      {"a slot that the call leaves alone leaves the owner empty",
       [](Owner& owner, Log*) {
         owner.reset(7);
         owner.put();
       },
       {"a7"},
       -1,
       {"a7"}},
      {"release gives the value up unclosed",
       [](Owner& owner, Log*) {
         owner.reset(8);
         EXPECT_EQ(8, owner.release());
       },
       {},
       -1,
       {}},
      {"the invalid value is never closed",
       [](Owner& owner, Log*) {
         owner.reset(-1);
         *owner.put() = -1;
         owner.reset();
       },
       {},
       -1,
       {}},
      {"move construction takes the value and the traits",
       [](Owner&, Log* log) {
         Owner from(TaggedCloser{log, 'b'}, 9);
         const Owner to(std::move(from));
         EXPECT_FALSE(from);
         EXPECT_EQ(9, to.get());
       },
       {"b9"},
       -1,
       {"b9"}},
      {"move assignment closes the old value through the old traits, then takes the other's",
       [](Owner& owner, Log* log) {
         owner.reset(10);
         Owner other(TaggedCloser{log, 'b'}, 11);
         owner = std::move(other);
         EXPECT_FALSE(other);
       },
       {"a10"},
       11,
       {"a10", "b11"}},
      {"move assignment to itself keeps the value",
       [](Owner& owner, Log*) {
         owner.reset(12);
         Owner& same = owner;
         owner = std::move(same);
       },
       {},
       12,
       {"a12"}},
  };
  for (const Case& c : cases) {
    Log log = {"sentinel"};
    {
      Owner owner(TaggedCloser{&log, 'a'});
      c.run(owner, &log);
      Log expected = {"sentinel"};
      expected.insert(expected.end(), c.inRun.begin(), c.inRun.end());
      EXPECT_EQ(expected, log) << c.what;
      EXPECT_EQ(c.owned, owner.get()) << c.what;
      EXPECT_EQ(c.owned != -1, static_cast<bool>(owner)) << c.what;
    }
    Log expected = {"sentinel"};
    expected.insert(expected.end(), c.atEnd.begin(), c.atEnd.end());
    EXPECT_EQ(expected, log) << c.what;
  }
}

TEST(UniqueResourceTest, AnOwnerOfAPointerReachesTheObjectsMembers) {
  struct Object {
    int field = 42;
  };
  struct Deleter {
    static Object* Invalid() { return nullptr; }
    static void Close(Object* object) { delete object; }
  };
  const unique_resource<Object*, Deleter> owner(new Object);
  EXPECT_EQ(42, owner->field);
}

}  // namespace
