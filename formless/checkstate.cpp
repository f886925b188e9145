#include "formless/checkstate.h"

uint32_t CheckStates::toggled(int index) const {
  uint32_t state = checkState(index);
  if (isTwoState(index)) return state == 0 ? 1 : 0;
  switch (state) {
  case 0:
    return 1;
  case 1:
    return 2;
  case 2:
    return 0;
  default:
    return state;
  }
}

void CheckStates::setField(int index, int shift, uint32_t mask, uint32_t value) {
  if (!contains(index)) return;
  uint32_t& word = words_[static_cast<size_t>(index)];
  word = (word & ~(mask << shift)) | ((value & mask) << shift);
}
