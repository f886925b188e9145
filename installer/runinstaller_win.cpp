#include "archive/install.h"
#include "archive/selfarchive.h"
#include "detect/browserlist.h"
#include "detect/detect.h"
#include "installer/mainwin.h"
#include "installer/startup.h"
#include "util/ui.h"

void runInstaller(const std::string& programPath, const std::string* firstArgument) {
  detectBrowsers(browserList);
  destDir = programDirectory(programPath);
  if (browserList.Count() == 0) {
    errorBox("No compatible web browsers could be located on your computer");
    browserList.Clear();
    return;
  }
  writeDetectedBrowsers(detectedBrowsersPath(destDir), browserList.GetText());

  // A named archive is used as given: the program's own is no fall-back.
  archivePath = firstArgument ? *firstArgument : programPath;
  if (quitFlag) return;
  openArchive();
  if (quitFlag) return;

  tMainWin window;
  appWindow = &window;
  window.style = installerWindowStyle;
  window.rootFiles = listRootFiles();
  window.readPluginInfo();
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  layoutHeight += 75;
  // Centred; on a screen narrower than the window its left edge goes below 0.
  window.createWindow((screenWidth - windowWidth) / 2, (screenHeight - layoutHeight) / 2,
                      windowWidth, layoutHeight, installerTitle + " v" + window.pluginVersion);
  window.createControls();
  window.run(false);
  // Leaving the scope frees the window, its controls and appWindow.
}
