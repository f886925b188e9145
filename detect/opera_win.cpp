#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/naming.h"
#include "detect/registry.h"
#include "detect/verinfo.h"
#include "util/platform.h"
#include "util/text.h"

void detectOpera(tsList& list) {
  tRegKey key = regOpenKey(HKEY_CURRENT_USER, "Software\\Opera Software");
  if (!key) return;
  // The beta goes first, so that its directory keeps the " beta" suffix.
  std::string dir = lowerCase(regReadText(key, "Last Beta Directory", ""));
  if (!dir.empty()) addOpera(list, dir, " beta");
  for (const std::string& name : regValueNames(key)) {
    std::string ln = lowerCase(name);
    OperaValue kind = operaValueKind(ln);
    if (kind == OperaValue::other) continue;
    std::string value = lowerCase(regReadText(key, ln, operaValueDefault(kind)));
    addOpera(list, operaDirFromValue(kind, value), "");
  }
  key.reset();
}

void addOpera(tsList& list, const std::string& dir, const std::string& suffix) {
  std::string home = excludeTrailingDelimiter(dir);
  if (home.empty() || !platform::fileExists(home + "\\Opera.exe")) return;
  std::string exe = home + "\\Opera.exe";
  std::string name = "Opera " + TVersionInfo(exe).GetProductVersion() + suffix;
  std::string plug = home + "\\Program\\Plugins";
  // Several values usually name one installation: the first offer stays.
  if (!hasPluginDir(list, plug)) addOrUpdateBrowser(list, name, plug, exe);
}
