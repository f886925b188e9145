#include "installer/rules.h"

#include "archive/install.h"
#include "util/linkguard.h"
#include "util/platform.h"
#include "util/text.h"
#include "util/tslist.h"

namespace {

constexpr size_t maxValue = 2048;

} // namespace

tCommentSettings readComment(std::string_view comment) {
  tCommentSettings settings;
  tsList lines;
  lines.SetText(comment);
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Get(i);
    size_t blank = line.find(' ');
    std::string key = lowerCase(line.substr(0, blank));
    std::string value = blank == std::string::npos ? "" : line.substr(blank + 1, maxValue);
    if (key == "agent:")
      settings.agent = lowerCase(value);
    else if (key == "url:")
      settings.startUrl = value;
  }
  return settings;
}

bool isPluginLibrary(std::string_view name) {
  size_t dot = name.find_last_of('.');
  size_t separator = name.find_last_of("\\:");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && separator > dot))
    return false;
  return lowerCase(name.substr(dot + 1)) == "dll" && lowerCase(name.substr(0, 2)) == "np";
}

int compareVersions(std::string_view a, std::string_view b) {
  int atA = 1, atB = 1;
  for (int part = 0; part < 4; ++part) {
    int32_t x = tokenInt(a, atA, '.');
    int32_t y = tokenInt(b, atB, '.');
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool isKnownVersion(std::string_view version) {
  return !version.empty() && version != "???";
}

std::string withoutBlanks(std::string_view text) {
  std::string result;
  for (char c : text)
    if (c != ' ') result += c;
  return result;
}

tRunAction runActionFor(uint32_t initialState, uint32_t checkState) {
  if (checkState == 2) return tRunAction::keep;
  if (initialState == checkState) return tRunAction::none;
  if (checkState == 1) return tRunAction::install;
  return checkState == 0 ? tRunAction::remove : tRunAction::none;
}

bool installPayload(const tArchive& archive, const std::string& dir, tReporter& reporter) {
  bool failed = false;
  return !installToDir(archive, dir, reporter, &failed).empty() && !failed;
}

void removeFiles(const std::string& dir, const std::vector<std::string>& names,
                 tReporter& reporter) {
  for (const std::string& name : names) {
    std::string file = dir + "\\" + name;
    // Never through a link a standard user put in an elevated installer's way:
    // it would delete another program's files of the same names.
    if (!linkguard::mayWorkIn(file))
      reporter.note("not removed (a link on the way) " + file);
    else
      reporter.note((platform::deleteFile(file) ? "removed " : "not removed (absent or in use) ") +
                    file);
  }
}
