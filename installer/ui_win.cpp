// The two message boxes through which every error and the final result reach
// the user. Both end the program by setting quitFlag once closed.
#include "util/ui.h"

#include "formless/program.h"

namespace {

void showBox(const std::string& text, const char* caption, UINT icon) {
  HWND owner = appWindow ? appWindow->handle : nullptr;
  MessageBoxA(owner, text.c_str(), caption, MB_OK | icon);
  quitFlag = true;
}

} // namespace

void errorBox(const std::string& text) {
  showBox(text, "Install Error", MB_ICONERROR);
}

void infoBox(const std::string& text) {
  showBox(text, "Installation Complete", MB_ICONINFORMATION);
}
