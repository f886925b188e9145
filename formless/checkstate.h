#pragma once
// The state words of a check-list's items, kept apart from the control so
// that the rules can be tested anywhere. Each item has one word:
//   bit 0     two-state flag: the item toggles between 0 and 1 only;
//             without it, it cycles 0 -> 1 -> 2 -> 0
//   bits 1-2  check state: 0 unchecked, 1 checked, 2 checked in the greyed
//             (three-state) look
//   bits 3-4  initial state, same values: kept for the owner, never changed
//             by the box itself
// An index outside the list reads 0 and is never written.
#include <cstddef>
#include <cstdint>
#include <vector>

class CheckStates {
public:
  // Every item two-state, unchecked, initial state 0.
  void reset(int count) { words_.assign(static_cast<size_t>(count), 1u); }
  int count() const { return static_cast<int>(words_.size()); }
  bool contains(int index) const { return index >= 0 && index < count(); }

  uint32_t word(int index) const {
    return contains(index) ? words_[static_cast<size_t>(index)] : 0;
  }
  uint32_t checkState(int index) const { return (word(index) >> 1) & 3; }
  uint32_t initialState(int index) const { return (word(index) >> 3) & 3; }
  uint32_t isTwoState(int index) const { return word(index) & 1; }
  void setCheckState(int index, uint32_t state) { setField(index, 1, 3, state); }
  void setInitialState(int index, uint32_t state) { setField(index, 3, 3, state); }
  void setTwoState(int index, uint32_t flag) { setField(index, 0, 1, flag); }

  // The check state that a toggle gives: two-state 0 -> 1, else -> 0;
  // otherwise 0 -> 1 -> 2 -> 0 (a 3 stays 3).
  uint32_t toggled(int index) const;

private:
  void setField(int index, int shift, uint32_t mask, uint32_t value);
  std::vector<uint32_t> words_;
};
