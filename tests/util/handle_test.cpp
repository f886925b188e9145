// The one owner of system handles: every handle it takes is released exactly
// once, by whichever owner holds it last, and "no handle" never is.
#include "util/handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are numbers; -1 means none. Released handles are recorded.
std::vector<int> released;

struct CountedTraits {
  using Handle = int;
  static Handle empty() { return -1; }
  static void close(Handle handle) { released.push_back(handle); }
};
using Owner = UniqueHandle<CountedTraits>;

TEST(UniqueHandle, ReleasesEachHandleOnceWhoeverHoldsItLast) {
  released.clear();
  {
    Owner none;
    EXPECT_FALSE(none);
    Owner a(1);
    EXPECT_TRUE(a);
    Owner b(std::move(a)); // moved: only b releases 1
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 1);
    Owner c(2);
    c = std::move(b); // c releases 2 now and takes 1
    EXPECT_EQ(released, std::vector<int>{2});
    Owner& alias = c;
    c = std::move(alias); // a move onto itself keeps the handle
    EXPECT_EQ(c.get(), 1);
    c.reset(3); // releases 1
    Owner d(4);
    int given = d.release(); // given up: never released by d
    EXPECT_EQ(given, 4);
    EXPECT_FALSE(d);
    Owner e(-1); // "no handle" is never released
  }
  EXPECT_EQ(released, (std::vector<int>{2, 1, 3}));
}

} // namespace
