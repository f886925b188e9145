// The process entry and the main routine, in the order they run: each
// module's start-up in dependency order, runInstaller (detection, the
// detected-browsers file, the archive check, then the window until the user
// is done with it), the shut-down in reverse order. The exit code is always 0.
#include "archive/crc32.h"
#include "archive/peimage.h"
#include "archive/selfarchive.h"
#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/osversion.h"
#include "detect/registry.h"
#include "formless/program.h"
#include "installer/mainwin.h"
#include "installer/processes.h"
#include "installer/session.h"
#include "installer/startup.h"
#include "installer/texts.h"
#include "util/platform.h"
#include "util/systemlibrary.h"
#include "util/ui.h"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

std::string ownPath();
void runInstaller(const std::string& programPath, const std::string* firstArgument);

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

namespace {

void runInstaller(const std::string& programPath, const std::string* firstArgument) {
  // Without a named archive the program's own file holds it: opened first
  // of all, and only when it is the very file the program was loaded from,
  // so that nobody can put another archive under its name while it runs.
  platform::File own;
  if (!firstArgument) {
    own = platform::File::openOwnProgram(programPath);
    if (!own.isOpen()) {
      errorBox(unableToLoadArchive);
      return;
    }
  }
  // The session is built in the order things happen: the browsers first.
  tSession session;
  tsList detected;
  detectBrowsers(detected);
  if (detected.Count() == 0) {
    errorBox(noBrowserText);
    return;
  }
  writeDetectedBrowsers(detectedBrowsersPath(programDirectory(programPath)), detected.GetText());

  // A named archive is used as given: the program's own is no fall-back.
  tArchive archive;
  if (firstArgument ? !openArchive(*firstArgument, archive)
                    : !openArchive(programPath, std::move(own), archive))
    return;
  session.plugin = readPluginInfo(archive);
  // The file keeps what detection found; the window offers only the browsers
  // that can load this plug-in library.
  keepLoadableBrowsers(detected, session.plugin.machine, fileMachine);
  if (detected.Count() == 0) {
    errorBox(noBrowserText);
    return;
  }
  session.browsers = sessionBrowsers(browserRecords(detected));
  takeArchive(session, std::move(archive));
  for (tSessionBrowser& browser : session.browsers)
    browser.installed = installedState(browser.pluginDir, session.rootFiles, session.plugin);

  tMainWin window(session);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  // Centred; on a screen narrower than the window its left edge goes below 0.
  tRect frame = makeBounds((screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2,
                           windowWidth, windowHeight);
  window.openModal(frame, std::string(installerTitle) + " v" + session.plugin.version,
                   dialogWindowStyle);
  // Leaving the scope frees the window, its controls and appWindow.
}

// The full path of this program as GetModuleFileNameA (letters the ANSI code
// page lacks come out as "?") or GetModuleFileNameW gives it, whatever its
// length.
template <class Char>
std::basic_string<Char> modulePath(DWORD(WINAPI* getModuleFileName)(HMODULE, Char*, DWORD)) {
  std::basic_string<Char> path(MAX_PATH, Char());
  for (;;) {
    DWORD len = getModuleFileName(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (len < path.size()) {
      path.resize(len);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The short (8.3) form of an existing path; the path itself where the volume
// keeps no short names, empty when the system cannot tell.
std::wstring shortPath(const std::wstring& path) {
  std::wstring result(MAX_PATH, L'\0');
  for (;;) {
    DWORD len = GetShortPathNameW(path.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (len == 0) return {};
    if (len < result.size()) {
      result.resize(len);
      return result;
    }
    result.resize(len);
  }
}

// The text in the ANSI code page, when every character of it has its own
// byte there (no "?" and no look-alike stands in); empty otherwise.
std::string exactAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  // A UTF-8 code page spells everything, and takes no check of stand-ins.
  bool utf8 = GetACP() == CP_UTF8;
  DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL replaced = FALSE;
  int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr,
                                 utf8 ? nullptr : &replaced);
  if (size <= 0 || replaced) return {};
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, ansi.data(), size, nullptr, nullptr);
  return ansi;
}

// The full path of this program in a form the ANSI file routines can open:
// as it is where the ANSI code page spells it, else its short form (a folder
// named in Greek on a Western system has one in plain letters), else as
// GetModuleFileNameA gives it.
std::string ownPath() {
  std::wstring wide = modulePath(GetModuleFileNameW);
  if (std::string path = exactAnsi(wide); !path.empty()) return path;
  if (std::string path = exactAnsi(shortPath(wide)); !path.empty()) return path;
  return modulePath(GetModuleFileNameA);
}

} // namespace
