#include "tests/driver/windowwatch.h"

#include <algorithm>
#include <chrono>

namespace uidriver {
namespace {

// The watch whose hook is running: the hook procedure gets no context of its
// own, and a test watches one process at a time.
WindowWatch* active = nullptr;

} // namespace

WindowWatch::WindowWatch(DWORD processId) {
  hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, onEvent, processId, 0,
                          WINEVENT_OUTOFCONTEXT);
  if (hook_) active = this;
}

WindowWatch::~WindowWatch() {
  if (hook_) UnhookWinEvent(hook_);
  if (active == this) active = nullptr;
}

void CALLBACK WindowWatch::onEvent(HWINEVENTHOOK hook, DWORD, HWND window, LONG object, LONG child,
                                   DWORD, DWORD) {
  // Only windows themselves: not the carets, cursors and parts inside them.
  if (!active || hook != active->hook_ || object != OBJID_WINDOW || child != CHILDID_SELF ||
      !window)
    return;
  auto& seen = active->seen_;
  if (std::find(seen.begin(), seen.end(), window) != seen.end()) return;
  seen.push_back(window);
  char name[256] = "";
  // A window already gone by the time its event is read still counts.
  if (GetClassNameA(window, name, sizeof name) <= 0) lstrcpyA(name, "(gone)");
  active->classes_.push_back(name);
}

bool WindowWatch::pumpUntil(Process& process, const std::function<bool()>& done, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  HANDLE handle = process.handle();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&msg);
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !process.running()) return false;
    // Wakes for a message (an event) or the end of the process.
    MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

DWORD WindowWatch::waitForExit(Process& process, int timeoutMs) {
  pumpUntil(
      process, [] { return false; }, timeoutMs);
  // Events sent just before the end may still wait in the queue.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageA(&msg);
  return process.wait(0);
}

} // namespace uidriver
