// The run behind "Continue", and what it and the window need to know first:
// the archive's plug-in library with its version and machine type, and each browser's
// installed state. The run's file work (installPayload, removeFiles) is
// portable, in installer/rules.cpp.
#include "archive/entryname.h"
#include "archive/peimage.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "detect/browserlist.h"
#include "detect/shell.h"
#include "detect/verinfo.h"
#include "installer/mainwin.h"
#include "installer/processes.h"
#include "installer/rules.h"
#include "util/platform.h"
#include "util/text.h"
#include "util/ui.h"

namespace {

// The file version of a library as the run compares it: commas as dots, no blanks.
std::string versionOf(const std::string& path) {
  return withoutBlanks(commasToDots(TVersionInfo(path).GetFileVersion()));
}

} // namespace

void tMainWin::readPluginInfo() {
  pluginVersion.clear();
  pluginFile.clear();
  // Every entry is looked at: of several plug-in libraries the last one wins.
  walkCatalog([this](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
    std::string file = withoutFirstFolder(name);
    if (!isPluginLibrary(file)) return false;
    pluginFile = file;
    // The version resource is read from a copy in the temporary directory.
    pluginVersion = "???";
    pluginMachine = 0;
    std::string copy = tempFileName();
    if (!copy.empty()) {
      if (extractEntry(archivePath, copy, headerPos, &archiveIdentity) == zipOk) {
        pluginVersion = versionOf(copy);
        pluginMachine = fileMachine(copy);
      }
      platform::deleteFile(copy);
    }
    return false;
  });
}

int tMainWin::installedState(const std::string& dir) const {
  int at = 1;
  while (at <= static_cast<int>(rootFiles.size()))
    if (!platform::fileExists(dir + "\\" + nextToken(rootFiles, at, '\n'))) return 0;
  // An unknown version of the archive's own library is never up to date: the
  // browser is offered the installation again.
  if (!pluginFile.empty() && isKnownVersion(pluginVersion) &&
      compareVersions(versionOf(dir + "\\" + pluginFile), pluginVersion) >= 0)
    return 2;
  return 1;
}

void tMainWin::runInstall() {
  // The run pumps messages, so "Continue" can be pressed again meanwhile.
  if (running_) return;
  running_ = true;
  bool changesMade = false; // installed into or removed from any browser
  bool launch = false;
  bool failed = false;
  for (int k = 0; k < browserCount(browserList); ++k) {
    // Cancel, Escape or the close box: the browser in hand was finished, and
    // no later one is touched.
    if (quitFlag) break;
    std::string dir = browserAt(browserList, k).pluginDir;
    // Read when the run gets here: the user may still change items ahead.
    tRunAction action = runActionFor(browserBox->initialState(k), browserBox->checkState(k));
    if (action == tRunAction::install || action == tRunAction::remove) {
      // A browser asked to quit holds its plug-in until it has ended.
      waitForProcessesToEnd(closeRunningBrowsers(dir), quitWaitMs);
      changesMade = true;
    }
    if (action == tRunAction::install && !installPayload(dir)) failed = true;
    if (action == tRunAction::remove) {
      removeFiles(dir, rootFiles);
      if (agentIndex == firstStringOf(k)) agentIndex = -2;
    }
    if (action == tRunAction::keep || action == tRunAction::install) launch = true;
  }
  if (agentIndex >= 0 && browserBox->checkState(browserOfIndex(agentIndex)) == 0) agentIndex = -1;
  // Only the user sets the flag during a run: an error box leaves it alone.
  bool cancelled = quitFlag;
  if (failed)
    outcomeBox("Installation Incomplete",
               "Installation finished with errors. The plug-in may not work in every browser "
               "you selected.",
               BoxIcon::warning);
  else if (cancelled)
    outcomeBox("Installation Cancelled",
               "Installation cancelled. Browsers that the installation had not reached were "
               "left unchanged.",
               BoxIcon::information);
  else
    infoBox(changesMade ? "Installation complete."
                        : "Installation complete, no changes were made.");
  quitFlag = true;
  // A browser is opened only after a run that did all that was asked of it.
  if (launch && !cancelled && !failed) startBrowser();
  running_ = false;
}

void tMainWin::startBrowser() const {
  // The address from the archive's comment is one argument, whatever it holds.
  std::string url = commandLineUrl(startUrl);
  if (agentIndex == -1)
    openUrlInDefaultBrowser(url);
  else if (agentIndex >= 0)
    runProgram(programCommand(browserAt(browserList, browserOfIndex(agentIndex)).program, url),
               showMaximized);
}
