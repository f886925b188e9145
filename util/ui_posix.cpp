#include "util/ui_posix.h"

#include <cstdio>
#include <utility>

namespace {
std::vector<std::string> shownBoxes;
bool quietBoxes = false;
std::function<void()> messageHook;
bool closedWindow = false;

void show(const char* caption, const std::string& text) {
  if (!quietBoxes) std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
  shownBoxes.push_back(text);
}
} // namespace

void errorBox(const std::string& text) {
  show(errorCaption, text);
}
void infoBox(const std::string& text) {
  show(infoCaption, text);
}
void outcomeBox(const std::string& caption, const std::string& text, BoxIcon) {
  show(caption.c_str(), text);
}

// The host has no window and so no messages; a test's hook stands in for them.
void pumpMessages() {
  if (messageHook) messageHook();
}

std::vector<std::string> takeShownBoxes() {
  std::vector<std::string> result;
  result.swap(shownBoxes);
  return result;
}

void setQuietBoxes(bool quiet) {
  quietBoxes = quiet;
}

void setMessageHook(std::function<void()> hook) {
  messageHook = std::move(hook);
}

bool windowClosed() {
  return closedWindow;
}

void setWindowClosed(bool closed) {
  closedWindow = closed;
}
