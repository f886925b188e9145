// The process entry: runs each module's start-up in dependency order, the main
// routine, then the shut-down in reverse order. The exit code is always 0.
#include "archive/crc32.h"
#include "detect/osversion.h"
#include "detect/registry.h"
#include "formless/program.h"
#include "installer/processes.h"
#include "installer/startup.h"
#include "util/systemlibrary.h"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

// The full path of this program, whatever its length.
std::string ownPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD len = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (len < path.size()) {
      path.resize(len);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything is loaded: no library beside setup.exe is ever taken.
  restrictLibrarySearch();
  formlessStartup();
  buildCrcTable();
  osVersionStartup();
  registryStartup(); // needs osMajorVersion
  initProcessApi();

  std::string first = __argc > 1 ? std::string(__argv[1]) : std::string();
  runInstaller(ownPath(), __argc > 1 ? &first : nullptr);
  freeProcessApi();
  return 0;
}
