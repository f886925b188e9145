#include "archive/selfarchive.h"
#include "detect/browserlist.h"
#include "detect/detect.h"
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
  // The installer window takes over from here once the toolkit is in place.
}
