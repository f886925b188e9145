#include "util/ui_posix.h"

#include <cstdio>

namespace {
std::vector<std::string> shownBoxes;

void show(const char* caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
  shownBoxes.push_back(text);
  quitFlag = true;
}
} // namespace

void errorBox(const std::string& text) {
  show("Install Error", text);
}
void infoBox(const std::string& text) {
  show("Installation Complete", text);
}

// The host has no window and so no messages.
void processMessages() {}
void pumpMessages() {}

std::vector<std::string> takeShownBoxes() {
  std::vector<std::string> result;
  result.swap(shownBoxes);
  return result;
}
