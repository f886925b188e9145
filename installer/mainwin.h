#pragma once
// The installer's one window: a picture, the vendor's address, an instruction,
// the check-list of detected browsers and the buttons "Set All", "Continue"
// and "Cancel"; and the run behind "Continue", which installs the plug-in
// into every browser the user newly ticked, removes it from every browser the
// user un-ticked, reports the outcome and starts a browser at the start URL.
#include "formless/checklist.h"
#include "formless/component.h"
#include "formless/program.h"

#include <cstdint>
#include <string>

class tMainWin : public tProgram {
public:
  tMainWin(); // for the program's own module, class installerClassName (installer/texts.h)

  // The picture, the texts, the check-list and the buttons, placed to the
  // right of the picture; then the toolkit's fonts and focus.
  void createControls() override;
  // Takes agent (lower-cased) and startUrl from the archive comment.
  void parseComment(const std::string& text);
  // The check-list of browserList's names at left, top, with each item's
  // initial state from its installation and the agent's browser ticked.
  void fillBrowserBox(int left, int top);
  // Ticks every unticked item ("Set All").
  void setAll();

  // The archive's plug-in library, its version and its machine type; before
  // the window exists.
  void readPluginInfo();
  // 0: not installed in dir (a root file is missing); 1: installed, older or
  // of unknown version, or the archive's own version is unknown; 2: installed,
  // same or newer.
  int installedState(const std::string& dir) const;
  // "Continue": the installation and removal run. A press while a run is
  // going on is ignored.
  void runInstall();

  std::string rootFiles; // the archive's root-level names, each ended by a line feed
  tChecklistBox* browserBox = nullptr;
  std::string agent;
  std::string startUrl;
  // browserList index of the agent's browser; -1: none (start the default
  // browser), -2: start nothing.
  int32_t agentIndex = -1;
  std::string pluginVersion;
  std::string pluginFile;
  uint32_t pluginMachine = 0; // the plug-in library's machine type; 0: unknown

private:
  // The browser start at the end of a run.
  void startBrowser() const;

  bool running_ = false;
};
