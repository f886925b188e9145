#pragma once
// The installer's session: everything the start-up learns, built once in the
// order it happens (the detected browsers, the archive, its settings, the
// plug-in it carries, what each browser holds of it) and then handed on, to
// the window that shows it and to the run that works from it. Nothing of it
// lives anywhere else.
#include "archive/selfarchive.h"
#include "detect/browserlist.h"
#include "installer/rules.h"
#include "util/ui.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a browser's plug-in directory holds of the archive's plug-in.
enum class tInstalledState {
  missing,  // a root file of the archive is not there
  outdated, // all there, but older, of unknown version, or the archive's own version is unknown
  upToDate, // all there, the same version or newer
};

// A detected browser and what it holds of the plug-in.
struct tSessionBrowser : tBrowser {
  tInstalledState installed = tInstalledState::missing;
};

// The archive's plug-in library ("np*.dll" below the first folder): its file
// name, empty without one, and its version as the run compares it ("???"
// when it could not be read, empty for a library without a version).
struct tPluginInfo {
  std::string file;
  std::string version;
  uint32_t machine = 0; // the library's machine type (PE header); 0: unknown
};

// What is started once a run has done all that was asked of it: a browser
// of the session, or when there is none, the default browser or nothing.
enum class tOtherStart { defaultBrowser, nothing };
struct tBrowserStart {
  std::optional<size_t> browser; // position in tSession::browsers
  tOtherStart otherwise = tOtherStart::defaultBrowser;
};

struct tSession {
  std::vector<tSessionBrowser> browsers; // sorted by name, as detected
  tArchive archive;                      // checked, opened once
  tCommentSettings settings;             // agent and start URL of the archive comment
  std::vector<std::string> rootFiles;    // listRootFiles of the archive
  tPluginInfo plugin;
  // The browser the agent text names, else the default browser.
  tBrowserStart start;
};

// The browsers of a detected list, none installed yet.
std::vector<tSessionBrowser> sessionBrowsers(const std::vector<tBrowser>& detected);

// The session's archive part, from an archive that was checked: its
// settings, its root files, and the start the agent text asks for among the
// browsers already in the session. The plug-in and the browsers' installed
// states are the system's to read (readPluginInfo, installedState).
void takeArchive(tSession& session, tArchive archive);

// Windows only. The archive's plug-in library, its version and machine type,
// read from a copy in the temporary directory. Of several plug-in libraries
// the last one wins; a damaged catalog record goes to reporter.
tPluginInfo readPluginInfo(const tArchive& archive, tReporter& reporter);
// Windows only. What dir holds of the plug-in whose root files are given.
tInstalledState installedState(const std::string& dir, const std::vector<std::string>& rootFiles,
                               const tPluginInfo& plugin);
