#include "installer/session.h"

#include "archive/install.h"
#include "detect/agent.h"

std::vector<tSessionBrowser> sessionBrowsers(const std::vector<tBrowser>& detected) {
  std::vector<tSessionBrowser> browsers;
  for (const tBrowser& b : detected)
    browsers.push_back({b, tInstalledState::missing});
  return browsers;
}

void takeArchive(tSession& session, tArchive archive) {
  session.archive = std::move(archive);
  session.settings = readComment(session.archive.comment());
  session.rootFiles = listRootFiles(session.archive);
  std::vector<tBrowser> named(session.browsers.begin(), session.browsers.end());
  session.start = {findBrowserForAgent(named, session.settings.agent), tOtherStart::defaultBrowser};
}
