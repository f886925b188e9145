#include "detect/naming.h"

#include "util/platform.h"
#include "util/text.h"
#include "util/tslist.h"

#include <cstdint>

std::string dropNetscape6Major(std::string name) {
  // The cut is at fixed positions: the registry names the product "Netscape 6".
  if (pos("Netscape 6 ", name) > 0) name.erase(9, 2);
  return name;
}

std::string geckoPluginDir(const std::string& exe) {
  return excludeTrailingDelimiter(extractFilePath(exe)) + "\\Plugins";
}

std::string geckoLoadedPluginDir(const std::string& pluginDir, const std::string& exe) {
  std::string folder = excludeTrailingDelimiter(extractFilePath(exe));
  if (folder.empty() ||
      lowerCase(excludeTrailingDelimiter(pluginDir)) != lowerCase(folder + "\\plugins") ||
      !platform::fileExists(folder + "\\browser\\omni.ja"))
    return pluginDir;
  return folder + "\\browser\\plugins";
}

bool isOperaName(std::string_view name) {
  return name.starts_with("Opera ");
}

namespace {

// The first number in a text: its first run of digits (at most 9 are read);
// 0 when it has none.
int32_t firstNumber(std::string_view text) {
  size_t at = text.find_first_of("0123456789");
  int32_t value = 0;
  for (int digits = 0; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 9;
       ++at, ++digits)
    value = value * 10 + (text[at] - '0');
  return value;
}

} // namespace

bool loadsNoPlugins(std::string_view name) {
  // Firefox 53 dropped every plug-in but Flash (and 85 that too); Opera 15
  // moved to an engine that loads none from its plug-in folder.
  if (name.starts_with("Mozilla Firefox")) return firstNumber(name) >= 53;
  if (isOperaName(name)) {
    int position = 1;
    return tokenInt(name.substr(6), position, '.') >= 15;
  }
  return false;
}

bool canLoadPluginOf(std::string_view name, uint32_t programMachine, uint32_t pluginMachine) {
  return isOperaName(name) || programMachine == 0 || pluginMachine == 0 ||
         programMachine == pluginMachine;
}

std::string firefoxShortVersion(const std::string& productVersion) {
  int position = 1;
  tokenInt(productVersion, position, '.');
  tokenInt(productVersion, position, '.');
  return position > 2 ? productVersion.substr(0, static_cast<size_t>(position - 2)) : std::string();
}

namespace {

// Firefox names its registry entry after the product version but stamps the
// Gecko version into the file version; from Gecko 1.8 on the two differ.
std::string firefoxVersion(const std::string& lname, const VersionText& fileVersion,
                           const VersionText& productVersion, bool& beta, std::string& name) {
  std::string ver = fileVersion();
  if (int p = pos("b", ver); p > 0) {
    beta = true;
    ver.resize(static_cast<size_t>(p - 1));
  }
  int position = 1;
  int64_t major = tokenInt(ver, position, '.');
  int64_t minor = tokenInt(ver, position, '.');
  if (major * 100 + minor >= 108) {
    std::string full = productVersion();
    ver = firefoxShortVersion(full);
    if (int q = pos(ver, lname); q > 0) name = name.substr(0, static_cast<size_t>(q - 1)) + full;
  }
  return ver;
}

// The product version up to its first ":", trimmed (Mozilla appends a
// build id after a colon).
std::string mozillaVersion(const VersionText& productVersion) {
  std::string ver = productVersion();
  if (int p = pos(":", ver); p > 0) ver.resize(static_cast<size_t>(p - 1));
  return trim(ver);
}

} // namespace

bool checkGeckoVersionText(const std::string& lname, const VersionText& fileVersion,
                           const VersionText& productVersion, bool& beta, std::string& name) {
  beta = false;
  std::string ver;
  if (pos("firefox", lname) > 0)
    ver = firefoxVersion(lname, fileVersion, productVersion, beta, name);
  else if (pos("mozilla", lname) > 0)
    ver = mozillaVersion(productVersion);
  else
    ver = lname; // other Gecko products are taken as registered
  return !ver.empty() && pos(ver, lname) > 0;
}

std::string readVendorSub(const std::string& dir) {
  // Without a directory the path would be relative to wherever we run.
  if (dir.empty()) return {};
  std::string path = dir + "defaults\\pref\\all.js";
  tsList lines;
  if (!platform::fileExists(path) || !lines.LoadFromFile(path)) return {};
  for (int i = lines.Count() - 1; i >= 0; --i) {
    std::string line = lines.Get(i);
    if (pos("general.useragent.vendorSub", line) == 0) continue;
    // The value follows the first comma: pref("...vendorSub", "0.7");
    std::string rest =
        trim(std::string_view(line).substr(static_cast<size_t>(pos(",", line))).substr(0, 32767));
    int position = 1;
    return nextQuotedToken(rest, position, ")");
  }
  return {};
}

std::string navigatorVersion(const std::string& currentVersion) {
  return pos("Opera", currentVersion + " ") > 0 ? std::string() : currentVersion;
}

std::string navigatorProgramPath(const std::string& installDir, const std::string& pluginsDir) {
  std::string dir = installDir.empty() ? extractFilePath(pluginsDir) : installDir + "\\Program";
  return dir + "\\netscape.exe";
}

OperaValue operaValueKind(std::string_view lowerName) {
  if (pos("plugin path", lowerName) == 1) return OperaValue::pluginPath;
  if (pos("last directory", lowerName) == 1) return OperaValue::lastDirectory;
  if (pos("last commandline", lowerName) == 1) return OperaValue::lastCommandLine;
  return OperaValue::other;
}

std::string operaValueDefault(OperaValue kind) {
  return kind == OperaValue::lastDirectory ? std::string() : std::string("xxxx");
}

std::string operaDirFromValue(OperaValue kind, std::string_view lowerValue) {
  switch (kind) {
  case OperaValue::pluginPath: {
    int p = pos("\\program\\plugin", lowerValue);
    return p > 0 ? std::string(lowerValue.substr(0, static_cast<size_t>(p - 1))) : std::string();
  }
  case OperaValue::lastDirectory:
    return std::string(lowerValue);
  case OperaValue::lastCommandLine: {
    // The directory is what precedes the "\" before the file name.
    int p = pos("opera.exe", lowerValue);
    return p > 2 ? std::string(lowerValue.substr(0, static_cast<size_t>(p - 2))) : std::string();
  }
  case OperaValue::other:
    break;
  }
  return {};
}
