#pragma once
// Waiting in tests for what another window, thread or process does: the
// condition is asked again and again until it holds. The time limit only
// guards against a hang and is far beyond what the step takes, so that no
// result depends on the machine's load. The pause between two questions
// starts at a millisecond and grows to 50: a quick step is seen at once, a
// slow one costs little. Portable: host and Windows tests share it.
#include <algorithm>
#include <chrono>
#include <thread>

// True as soon as condition() holds; false when it still did not when the
// time was up (it is asked once more after the last pause).
template <class Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + timeout;
  for (std::chrono::milliseconds pause{1};;
       pause = std::min(2 * pause, std::chrono::milliseconds{50})) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
  }
}
