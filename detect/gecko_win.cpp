#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/naming.h"
#include "detect/registry.h"
#include "detect/verinfo.h"
#include "util/text.h"

namespace {

const std::string mozillaKey = "Software\\Mozilla\\";

tRegKey openMachineKey(const std::string& path, uint32_t view) {
  return regOpenKey(HKEY_LOCAL_MACHINE, path, view);
}

// The installation named by the product's CurrentVersion. Returns the
// executable it registers; empty when the branch is incomplete.
std::string offerVersionBranch(tsList& list, const std::string& product, uint32_t view) {
  std::string base = mozillaKey + product;
  tRegKey key = openMachineKey(base, view);
  if (!key) return {};
  std::string cur = regReadText(key, "CurrentVersion", "");
  key.reset();
  if (cur.empty() || !openMachineKey(base + "\\" + cur, view)) return {};
  key = openMachineKey(base + "\\" + cur + "\\Main", view);
  if (!key) return {};
  std::string exe = regReadText(key, "PathToExe", "");
  key.reset();
  addGeckoBrowser(list, geckoPluginDir(exe), exe, product + " " + cur);
  return exe;
}

// Reads one value of the key at path; found tells whether the key opened.
std::string readSubkeyValue(const std::string& path, const std::string& value, uint32_t view,
                            bool& found) {
  tRegKey key = openMachineKey(path, view);
  found = static_cast<bool>(key);
  std::string text = regReadText(key, value, "");
  key.reset();
  return text;
}

void detectProduct(tsList& list, const std::string& product, uint32_t view) {
  std::string exe = offerVersionBranch(list, product, view);
  bool found = false;
  // Products that register their executable under Bin (K-Meleon, Firebird)
  // name it for the Extensions branch; an empty value counts too.
  std::string binExe = readSubkeyValue(mozillaKey + product + "\\Bin", "PathToExe", view, found);
  if (found) exe = binExe;
  std::string plug = readSubkeyValue(mozillaKey + product + "\\Extensions", "Plugins", view, found);
  if (found && !plug.empty()) addGeckoBrowser(list, plug, exe, product);
}

} // namespace

void detectGecko(tsList& list, uint32_t view) {
  std::vector<std::string> products = regSubkeyNames(openMachineKey("Software\\Mozilla", view));
  for (const std::string& product : products)
    detectProduct(list, product, view);
}

void addGeckoBrowser(tsList& list, const std::string& pluginDir, const std::string& exe,
                     const std::string& name) {
  std::string shown = dropNetscape6Major(name);
  if (lowerCase(shown) == "firebird") shown += " " + readVendorSub(extractFilePath(exe));
  std::string lname = lowerCase(shown);
  bool beta = false;
  if (lname == "k-meleon") {
    // K-Meleon registers its directory, not its program, and reads the
    // plug-ins of its program folder whatever its layout.
    std::string program = exe + "\\k-meleon.exe";
    addOrUpdateBrowser(list, shown + " " + TVersionInfo(program).GetProductVersion(), pluginDir,
                       program);
    return;
  }
  std::string dir = geckoLoadedPluginDir(pluginDir, exe);
  if (lname == "mozilla firefox 1.4") {
    // Firefox 1.5 betas registered themselves as 1.4.
    if (checkGeckoVersion(lname, exe, beta, shown))
      addOrUpdateBrowser(list, beta ? "Mozilla Firefox 1.5 beta" : "Mozilla Firefox 1.5", dir, exe);
  } else if (checkGeckoVersion(lname, exe, beta, shown)) {
    addOrUpdateBrowser(list, shown, dir, exe);
  }
}

bool checkGeckoVersion(const std::string& lname, const std::string& exe, bool& beta,
                       std::string& name) {
  TVersionInfo info(exe);
  return checkGeckoVersionText(
      lname, [&] { return info.GetFileVersion(); }, [&] { return info.GetProductVersion(); }, beta,
      name);
}
