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

// The full path of this program as GetModuleFileNameA gives it, whatever its
// length; letters the ANSI code page lacks come out as "?".
std::string ansiModulePath() {
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

std::wstring wideModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD len = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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
  std::wstring wide = wideModulePath();
  if (std::string path = exactAnsi(wide); !path.empty()) return path;
  if (std::string path = exactAnsi(shortPath(wide)); !path.empty()) return path;
  return ansiModulePath();
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
