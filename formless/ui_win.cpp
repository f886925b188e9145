// The user-interface services of util/ui.h on Windows: message boxes owned by
// the toolkit's window, and message pumping for long work.
#include "util/ui.h"

#include "formless/program.h"

#include <chrono>

bool quitFlag = false;

namespace {

void showBox(const std::string& text, const char* caption, UINT icon) {
  // Owned by the window while it is there; one closed in the middle of a run
  // is gone, and the box then stands on its own.
  HWND owner = appWindow && IsWindow(appWindow->handle) ? appWindow->handle : nullptr;
  MessageBoxA(owner, text.c_str(), caption, MB_OK | icon);
  quitFlag = true;
}

// Looking at the queue costs a round trip to the window system, far more than
// decoding the 2 KiB that an extraction reads between two calls, so the queue
// is looked at no more often than this; a user cannot tell the difference.
constexpr std::chrono::milliseconds pumpInterval{10};
std::chrono::steady_clock::time_point nextPump;

} // namespace

void errorBox(const std::string& text) {
  showBox(text, "Install Error", MB_ICONERROR);
}

void infoBox(const std::string& text) {
  showBox(text, "Installation Complete", MB_ICONINFORMATION);
}

void pumpMessages() {
  auto now = std::chrono::steady_clock::now();
  if (now < nextPump) return;
  nextPump = now + pumpInterval;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
