#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/naming.h"
#include "detect/registry.h"

namespace {
const std::string navigatorKey = "Software\\Netscape\\Netscape Navigator";
}

void detectNavigator(tsList& list, uint32_t view) {
  tRegKey key = regOpenKey(HKEY_LOCAL_MACHINE, navigatorKey, view);
  if (!key) return;
  std::string ver = navigatorVersion(regReadText(key, "CurrentVersion", ""));
  key.reset();
  if (ver.empty()) return;
  // Neither the program nor the directories are checked: Navigator's own key
  // is taken at its word, and a missing Main key yields empty values.
  key = regOpenKey(HKEY_LOCAL_MACHINE, navigatorKey + "\\" + ver + "\\Main", view);
  std::string plug = regReadText(key, "Plugins Directory", "");
  std::string inst = regReadText(key, "Install Directory", "");
  key.reset();
  addOrUpdateBrowser(list, "Netscape Navigator " + ver, plug, navigatorProgramPath(inst, plug));
}
