// The browser start at the end of a run.
#include "installer/run.h"

#include "detect/shell.h"

void startBrowser(const tSession& session, const tBrowserStart& start) {
  // The address from the archive's comment is one argument, whatever it holds.
  std::string url = commandLineUrl(session.settings.startUrl);
  if (start.browser)
    runProgram(programCommand(session.browsers[*start.browser].program, url), showMaximized);
  else if (start.otherwise == tOtherStart::defaultBrowser)
    openUrlInDefaultBrowser(url);
}
