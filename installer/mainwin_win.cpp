#include "installer/mainwin.h"

#include "formless/image.h"
#include "installer/panel.h"
#include "installer/startup.h"
#include "installer/texts.h"

namespace {

const tFontRec linkFont = {"Arial", 14, 0, true, false};

} // namespace

tMainWin::tMainWin(const tSession& session, tRunLog& log)
    : tProgram(installerClassName), session_(session), log_(log) {}

void tMainWin::createControls() {
  auto& picture = make<tImage>(tRect{10, 10, 10, 10}, loadPanelPicture());
  // Everything else stands to the right of the picture.
  const int x0 = picture.drawWidth + 4;
  make<tLabel>(makeBounds(x0 + 20, 10, 240, 20), linkText).setFont(linkFont);
  make<tLabel>(makeBounds(x0 + 20, 30, 340, 80), instructionText);
  fillBrowserBox(x0 + 20, 90);
  const int top = windowHeight - 60;
  make<tButton>(makeBounds(x0 + 160, top, 65, 24), "Continue", tButtonKind::defaultPush).onClick =
      [this] { runInstall(); };
  make<tButton>(makeBounds(x0 + 65, top, 65, 24), "Set All", tButtonKind::plain).onClick = [this] {
    setAll();
  };
  make<tButton>(makeBounds(x0 + 255, top, 65, 24), "Cancel", tButtonKind::cancel);
  tProgram::createControls();
}

void tMainWin::fillBrowserBox(int left, int top) {
  std::vector<std::string> names;
  for (const tSessionBrowser& browser : session_.browsers)
    names.push_back(browser.name);
  browserBox = &make<tChecklistBox>(makeBounds(left, top, 340, 100));
  browserBox->setItems(std::move(names));
  for (size_t k = 0; k < session_.browsers.size(); ++k) {
    int item = static_cast<int>(k);
    tChoice choice = initialChoice(session_, k);
    // Only an item that shows the greyed tick has the third state.
    if (choice.initialState == 2) browserBox->setTwoState(item, 0);
    browserBox->setInitialState(item, choice.initialState);
    browserBox->setCheckState(item, choice.checkState);
  }
}

void tMainWin::setAll() {
  for (int k = browserBox->itemCount() - 1; k >= 0; --k)
    if (browserBox->checkState(k) == 0) browserBox->setCheckState(k, 1);
  browserBox->repaint();
}

tChoice tMainWin::choiceFor(size_t browser) {
  int item = static_cast<int>(browser);
  return {browserBox->initialState(item), browserBox->checkState(item)};
}

void tMainWin::error(const std::string& text) {
  errorBox(text);
}

void tMainWin::runInstall() {
  // The run pumps messages, so "Continue" can be pressed again meanwhile.
  if (running_) return;
  running_ = true;
  tLogReporter reporter(log_, this);
  tRunResult result = runInstallation(session_, *this, reporter, cancelRequest);
  outcome_ = result.outcome;
  tOutcomeBox box = outcomeBoxFor(result.outcome);
  outcomeBox(box.caption, box.text, box.icon);
  endLoop();
  startBrowser(session_, result.start);
  running_ = false;
}
