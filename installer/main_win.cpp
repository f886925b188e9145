// The process entry and the main routine, in the order they run: each
// module's start-up in dependency order, runInstaller (detection, the
// detected-browsers file, the archive check, then the window until the user
// is done with it, or the unattended run), the shut-down in reverse order.
// The exit code says how it ended (installer/commandline.h).
#include "archive/crc32.h"
#include "archive/peimage.h"
#include "archive/selfarchive.h"
#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/osversion.h"
#include "detect/registry.h"
#include "formless/program.h"
#include "installer/commandline.h"
#include "installer/mainwin.h"
#include "installer/processes.h"
#include "installer/runlog.h"
#include "installer/session.h"
#include "installer/startup.h"
#include "installer/texts.h"
#include "util/platform.h"
#include "util/systemlibrary.h"
#include "util/ui.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

std::string ownPath();
tExitCode runInstaller(const std::string& programPath, const tCommandLine& line);

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything is loaded: no library beside setup.exe is ever taken.
  restrictLibrarySearch();
  formlessStartup();
  buildCrcTable();
  osVersionStartup();
  registryStartup(); // needs osMajorVersion
  initProcessApi();

  // The arguments in the ANSI code page, as the run-time library split them.
  std::vector<std::string> args(__argv + std::min(__argc, 1), __argv + __argc);
  tExitCode code = runInstaller(ownPath(), parseCommandLine(args, platform::fileExists));
  freeProcessApi();
  return static_cast<int>(code);
}

namespace {

tExitCode runSession(const std::string& programPath, const tCommandLine& line, tRunLog& log,
                     tReporter& reporter);
tExitCode buildSession(tSession& session, const std::string& programPath, const tCommandLine& line,
                       tRunLog& log, tReporter& reporter);
std::optional<tOutcome> runWindow(const tSession& session, tRunLog& log);

// The main routine: the log first, so that it records every later step, then
// the session and its run. Under /S nothing is shown: what a box would say
// goes to the log only.
tExitCode runInstaller(const std::string& programPath, const tCommandLine& line) {
  tRunLog log;
  if (!line.logPath.empty() && !log.create(line.logPath)) {
    if (!line.unattended)
      errorBox("The log file " + line.logPath +
               " could not be created: something of that name exists, or its folder does not.");
    return tExitCode::unknownSwitch;
  }
  log.line(std::string(installerTitle) + " log");
  log.line(line.unattended ? "Unattended (/S): no window, no message box" : "With the window");
  tBoxReporter boxes;
  tLogReporter reporter(log, line.unattended ? nullptr : &boxes);
  tExitCode code = runSession(programPath, line, log, reporter);
  log.line(exitCodeLogLine(code));
  return code;
}

// The switches, the session and its run; the first check that fails
// decides the exit code.
tExitCode runSession(const std::string& programPath, const tCommandLine& line, tRunLog& log,
                     tReporter& reporter) {
  if (!line.unknownSwitch.empty()) {
    reporter.error("Unknown switch " + line.unknownSwitch + " (setup.exe /? lists the switches)");
    return tExitCode::unknownSwitch;
  }
  if (line.help) {
    if (!line.unattended) outcomeBox(installerTitle, switchesHelpText, BoxIcon::information);
    return tExitCode::done;
  }

  tSession session;
  if (tExitCode failed = buildSession(session, programPath, line, log, reporter);
      failed != tExitCode::done)
    return failed;

  log.line("Run:");
  std::optional<tOutcome> outcome;
  if (line.unattended) {
    // Nobody is there to cancel; the run asks browsers to quit and waits for
    // them as the window's does, and starts none at its end.
    tSetAllChoices choices(session);
    tCancelRequest noCancel;
    outcome = runInstallation(session, choices, reporter, noCancel).outcome;
  } else {
    outcome = runWindow(session, log);
  }
  // A window closed before "Continue" is a cancel too.
  if (!outcome) log.line("  closed before Continue");
  tOutcome ended = outcome.value_or(tOutcome::cancelled);
  log.line(std::string("Outcome: ") + outcomeLogText(ended));
  return exitCodeFor(ended);
}

// The session in the order things happen: the program's own file, the
// browsers, then the archive and what each browser holds of its plug-in.
// done, or the exit code of the first check that failed.
tExitCode buildSession(tSession& session, const std::string& programPath, const tCommandLine& line,
                       tRunLog& log, tReporter& reporter) {
  // Without a named archive the program's own file holds it: opened first
  // of all, and only when it is the very file the program was loaded from,
  // so that nobody can put another archive under its name while it runs.
  platform::File own;
  if (!line.hasArchive) {
    own = platform::File::openOwnProgram(programPath);
    if (!own.isOpen()) {
      reporter.error(unableToLoadArchive);
      return tExitCode::badArchive;
    }
  }
  tsList detected;
  detectBrowsers(detected);
  if (detected.Count() == 0) {
    reporter.error(noBrowserText);
    return tExitCode::noBrowser;
  }
  writeDetectedBrowsers(detectedBrowsersPath(programDirectory(programPath)), detected.GetText());
  std::vector<tBrowser> found = browserRecords(detected);
  log.line("Browsers found:");
  for (const tBrowser& browser : found)
    log.line(browserLogLine(browser));

  // A named archive is used as given: the program's own is no fall-back.
  std::string archivePath = line.hasArchive ? line.archivePath : programPath;
  log.line("Archive: " + archivePath);
  tArchive archive;
  std::string message = line.hasArchive ? readArchive(archivePath, archive)
                                        : readArchive(archivePath, std::move(own), archive);
  if (!message.empty()) {
    reporter.error(message);
    return tExitCode::badArchive;
  }
  session.plugin = readPluginInfo(archive, reporter);
  log.line("Plug-in: " + session.plugin.file + " version " + session.plugin.version);
  // The file keeps what detection found; the window and the run offer only
  // the browsers that can load this plug-in library.
  keepLoadableBrowsers(detected, session.plugin.machine, fileMachine);
  session.browsers = sessionBrowsers(browserRecords(detected));
  for (const tBrowser& browser : found)
    if (std::none_of(session.browsers.begin(), session.browsers.end(),
                     [&](const tBrowser& b) { return b.program == browser.program; }))
      log.line("  left out: " + browser.name + ": its program cannot load this plug-in library");
  if (session.browsers.empty()) {
    reporter.error(noBrowserText);
    return tExitCode::noBrowser;
  }
  takeArchive(session, std::move(archive));
  log.line("What each browser holds:");
  for (tSessionBrowser& browser : session.browsers) {
    browser.installed = installedState(browser.pluginDir, session.rootFiles, session.plugin);
    log.line(heldLogLine(browser));
  }
  return tExitCode::done;
}

// The window until the user is done with it; how its run ended, if one ran.
std::optional<tOutcome> runWindow(const tSession& session, tRunLog& log) {
  tMainWin window(session, log);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  // Centred; on a screen narrower than the window its left edge goes below 0.
  tRect frame = makeBounds((screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2,
                           windowWidth, windowHeight);
  window.openModal(frame, std::string(installerTitle) + " v" + session.plugin.version,
                   dialogWindowStyle);
  // Leaving the scope frees the window, its controls and appWindow.
  return window.outcome();
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
