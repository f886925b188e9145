// The state words of check-list items: the cycles a toggle walks, and the
// accessors at and beyond the list's ends.
#include "formless/checkstate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CheckStates, ToggleCyclesByTheTwoStateFlag) {
  struct Case {
    bool twoState;
    uint32_t from;
    uint32_t to;
  };
  for (const Case& c : std::vector<Case>{{true, 0, 1},
                                         {true, 1, 0},
                                         {true, 2, 0},
                                         {true, 3, 0},
                                         {false, 0, 1},
                                         {false, 1, 2},
                                         {false, 2, 0},
                                         {false, 3, 3}}) {
    CheckStates states;
    states.reset(1);
    states.setTwoState(0, c.twoState);
    states.setCheckState(0, c.from);
    EXPECT_EQ(states.toggled(0), c.to) << "two-state " << c.twoState << " from " << c.from;
  }
}

TEST(CheckStates, FieldsAreIndependentAndMasked) {
  CheckStates states;
  states.reset(2);
  EXPECT_EQ(states.word(0), 1u) << "fresh: two-state, unchecked, initial 0";
  states.setInitialState(0, 2);
  states.setCheckState(0, 1);
  states.setTwoState(0, 0);
  EXPECT_EQ(states.word(0), 2u << 3 | 1u << 1);
  EXPECT_EQ(states.checkState(0), 1u);
  EXPECT_EQ(states.initialState(0), 2u);
  EXPECT_EQ(states.isTwoState(0), 0u);
  states.setCheckState(0, 7); // only two bits are kept
  EXPECT_EQ(states.checkState(0), 3u);
  EXPECT_EQ(states.initialState(0), 2u);
  EXPECT_EQ(states.word(1), 1u) << "the neighbour is untouched";
  states.reset(2);
  EXPECT_EQ(states.word(0), 1u) << "a reload resets every word";
}

TEST(CheckStates, IndexesOutsideTheListReadZeroAndWriteNothing) {
  CheckStates states;
  states.reset(3);
  for (int index : {-1, 3, 1000}) {
    states.setCheckState(index, 1);
    states.setInitialState(index, 2);
    states.setTwoState(index, 0);
    EXPECT_EQ(states.checkState(index), 0u) << index;
    EXPECT_EQ(states.initialState(index), 0u) << index;
    EXPECT_EQ(states.isTwoState(index), 0u) << index;
    EXPECT_EQ(states.toggled(index), 1u) << "an outside item reads as state 0";
  }
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(states.word(i), 1u);
}

} // namespace
