// Drives the installer headlessly for `make demo`: starts it, reports every
// message box and window it shows as a user would read them, answers message
// boxes with OK and closes the installer window with Cancel.
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"

#include <cstdio>
#include <set>
#include <string>

using namespace uidriver;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: uidemo \"command line\"\n");
    return 2;
  }
  Process installer = Process::start(argv[1]);
  if (!installer.running()) {
    std::fprintf(stderr, "uidemo: cannot start %s\n", argv[1]);
    return 1;
  }
  std::set<HWND> seen;
  for (int ms = 0; installer.running() && ms < 60000; ms += 100) {
    for (const WindowInfo& w : topLevelWindows(installer.id())) {
      if (!w.visible || seen.count(w.handle)) continue;
      seen.insert(w.handle);
      if (w.className == "#32770") {
        MessageBoxInfo box = readMessageBox(w.handle);
        std::printf("message box \"%s\"%s: %s\n", box.caption.c_str(),
                    box.errorIcon         ? " (error icon)"
                    : box.informationIcon ? " (information icon)"
                                          : "",
                    box.text.c_str());
        std::fflush(stdout);
        Sleep(1500); // long enough to be seen on a real display
        clickControl(w.handle, "OK");
      } else {
        std::printf("window \"%s\" (class %s)\n", w.caption.c_str(), w.className.c_str());
        for (const WindowInfo& c : childWindows(w.handle))
          std::printf("  %s \"%s\"\n", c.className.c_str(), c.caption.c_str());
        std::fflush(stdout);
        Sleep(1500);
        clickControl(w.handle, "Cancel");
      }
    }
    Sleep(100);
  }
  DWORD code = installer.wait(10000);
  std::printf("installer exit code: %lu\n", static_cast<unsigned long>(code));
  return code == 0 ? 0 : 1;
}
