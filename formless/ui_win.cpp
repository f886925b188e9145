// The user-interface services of util/ui.h on Windows: message boxes owned by
// the toolkit's window, and message pumping for long work.
#include "util/ui.h"

#include "formless/program.h"

namespace {

void showBox(const std::string& text, const char* caption, UINT icon) {
  // Owned by the window while it is there; one closed in the middle of a run
  // is gone, and the box then stands on its own.
  HWND owner = appWindow && IsWindow(appWindow->handle) ? appWindow->handle : nullptr;
  MessageBoxA(owner, text.c_str(), caption, MB_OK | icon);
}

} // namespace

void errorBox(const std::string& text) {
  showBox(text, errorCaption, MB_ICONERROR);
}

void infoBox(const std::string& text) {
  showBox(text, infoCaption, MB_ICONINFORMATION);
}

void outcomeBox(const std::string& caption, const std::string& text, BoxIcon icon) {
  showBox(text, caption.c_str(), icon == BoxIcon::warning ? MB_ICONWARNING : MB_ICONINFORMATION);
}

void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool windowClosed() {
  return appWindow && appWindow->handle && !IsWindow(appWindow->handle);
}
