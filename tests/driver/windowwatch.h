#pragma once
// Watching a process for windows: every window it creates or shows, as the
// system reports it through window events (SetWinEventHook on
// EVENT_OBJECT_CREATE and EVENT_OBJECT_SHOW), so that a test can tell that
// a program never opened one, however briefly, without polling for it.
#include "tests/driver/process.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uidriver {

class WindowWatch {
public:
  // Watches the process from now on. Start it held (Process::startHeld) and
  // resume it after this, so that nothing it does comes before the watch.
  explicit WindowWatch(DWORD processId);
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  bool ok() const { return hook_ != nullptr; }
  // Dispatches this thread's messages (the events come to the watching
  // thread as messages) until done is true or the process has ended, at most
  // timeoutMs; done's answer then.
  bool pumpUntil(Process& process, const std::function<bool()>& done, int timeoutMs);
  // Waits for the process to end, taking the events meanwhile and those sent
  // just before its end. The exit code, or STILL_ACTIVE when it did not end
  // within timeoutMs.
  DWORD waitForExit(Process& process, int timeoutMs);
  // The class names of the windows reported so far, in order, one per window.
  const std::vector<std::string>& windows() const { return classes_; }

private:
  static void CALLBACK onEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                               LONG child, DWORD thread, DWORD time);
  HWINEVENTHOOK hook_ = nullptr;
  std::vector<HWND> seen_;
  std::vector<std::string> classes_;
};

} // namespace uidriver
