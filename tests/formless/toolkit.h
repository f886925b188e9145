#pragma once
// Windows tests of the toolkit: a window of its own in the test process, with
// the components each test asks for, and the means to act on it like a user
// (real key input through SendInput) and to wait for what follows.
#include "formless/checklist.h"
#include "formless/component.h"
#include "formless/image.h"
#include "formless/program.h"
#include "tests/driver/screenshot.h"
#include "tests/util/wait.h"
#include "util/ui.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

namespace toolkit {

constexpr UINT probeMessage = WM_APP + 1; // answered by probes: the window 7, a ProbeLabel 42
constexpr UINT countMessage = WM_APP + 2; // counted by the window; the first one ends the loop

// The window of a test: records the messages that reach the object itself.
class TestProgram : public tProgram {
public:
  TestProgram() : tProgram("FORMLESS TEST") {}

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  std::vector<UINT> seen; // messages that reached the object
  int counted = 0;

private:
  void record(tMessageRec& rec) {
    seen.push_back(rec.msg);
    if (rec.msg == probeMessage) rec.answer(7);
  }
  void count(tMessageRec&) {
    if (counted++ == 0) endLoop();
  }
  static const tMessageMethod methods[];
};

// A label with a message method of its own.
class ProbeLabel : public tLabel {
public:
  using tLabel::tLabel;
  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }
  int probes = 0;

private:
  void probe(tMessageRec& rec) {
    ++probes;
    rec.answer(42);
  }
  static const tMessageMethod methods[];
};

// Dispatches messages until the queue is empty.
inline void drain() {
  pumpMessages();
}

// Dispatches messages until done() holds; the time limit only guards against
// a hang and is far beyond what any step takes.
inline bool pumpUntil(const std::function<bool()>& done) {
  return waitUntil(
      [&] {
        if (done()) return true;
        drain();
        return false;
      },
      std::chrono::seconds(20));
}

// Real key input, as the keyboard gives it: the system's key state changes.
inline void key(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Fixture: a fresh toolkit state and a visible window in front.
class Toolkit : public ::testing::Test {
protected:
  void SetUp() override { open("Toolkit test", 420, 300); }
  // A fresh toolkit state and a new window of this outer size in front.
  void open(const char* caption, int width, int height) {
    window.reset();
    formlessStartup();
    window = std::make_unique<TestProgram>();
    window->open(makeBounds(40, 40, width, height), caption);
    SetForegroundWindow(window->handle);
    drain();
  }
  void TearDown() override {
    window.reset();
    EXPECT_EQ(appWindow, nullptr);
    drain();
  }

  std::unique_ptr<TestProgram> window;
};

// The process's GDI objects. Where the system does not count them (Wine's
// GetGuiResources is a stub that answers 0), the entries of the process's
// GDI handle table are counted instead.
int gdiObjectCount();

} // namespace toolkit

namespace uidriver {
// How a picture shows in a failed expectation: its size and its colours.
inline void PrintTo(const Picture& picture, std::ostream* out) {
  std::set<uint32_t> colours(picture.pixels.begin(), picture.pixels.end());
  *out << picture.width << "x" << picture.height << " picture of " << colours.size()
       << " colours, first " << std::hex << (picture.pixels.empty() ? 0 : picture.pixels[0])
       << std::dec;
}
} // namespace uidriver
