#include "installer/mainwin.h"

#include "archive/selfarchive.h"
#include "detect/agent.h"
#include "detect/browserlist.h"
#include "formless/image.h"
#include "installer/panel.h"
#include "installer/rules.h"
#include "installer/startup.h"
#include "installer/texts.h"

namespace {

const tFontRec linkFont = {"Arial", 14, 0, true, false};

} // namespace

tMainWin::tMainWin() : tProgram(installerClassName) {}

void tMainWin::createControls() {
  auto& picture = make<tImage>(tRect{10, 10, 10, 10}, loadPanelPicture());
  // Everything else stands to the right of the picture.
  const int x0 = picture.drawWidth + 4;
  make<tLabel>(makeBounds(x0 + 20, 10, 240, 20), linkText).setFont(linkFont);
  make<tLabel>(makeBounds(x0 + 20, 30, 340, 80), instructionText);
  parseComment(archiveComment);
  agentIndex = findBrowserForAgent(browserList, agent);
  fillBrowserBox(x0 + 20, 90);
  const int top = layoutHeight - 60;
  make<tButton>(makeBounds(x0 + 160, top, 65, 24), "Continue", tButtonKind::defaultPush).onClick =
      [this] { runInstall(); };
  make<tButton>(makeBounds(x0 + 65, top, 65, 24), "Set All", tButtonKind::plain).onClick = [this] {
    setAll();
  };
  make<tButton>(makeBounds(x0 + 255, top, 65, 24), "Cancel", tButtonKind::cancel);
  tProgram::createControls();
}

void tMainWin::parseComment(const std::string& text) {
  tCommentSettings settings = readComment(text);
  agent = settings.agent;
  startUrl = settings.startUrl;
}

void tMainWin::fillBrowserBox(int left, int top) {
  const int count = browserCount(browserList);
  std::string names;
  for (int k = 0; k < count; ++k)
    names += (k > 0 ? "\n" : "") + browserAt(browserList, k).name;
  browserBox = &make<tChecklistBox>(makeBounds(left, top, 340, 100));
  browserBox->items.SetText(names);
  for (int k = 0; k < count; ++k) {
    switch (installedState(browserAt(browserList, k).pluginDir)) {
    case 1: // older or unreadable: offered for installing again
      browserBox->setCheckState(k, 1);
      break;
    case 2: // up to date: the greyed tick, which the run leaves alone
      browserBox->setTwoState(k, 0);
      browserBox->setInitialState(k, 2);
      browserBox->setCheckState(k, 2);
      break;
    default:
      if (firstStringOf(k) == agentIndex) browserBox->setCheckState(k, 1);
      break;
    }
  }
}

void tMainWin::setAll() {
  for (int k = browserBox->items.Count() - 1; k >= 0; --k)
    if (browserBox->checkState(k) == 0) browserBox->setCheckState(k, 1);
  browserBox->repaint();
}
